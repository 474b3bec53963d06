#include "cli/ConfigCommands.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/ExitCodes.h"
#include "config/ConfigExportImport.h"
#include "platform/SpecialFolders.h"
#include "settings/DownloadOptions.h"
#include "update/UpdateCheck.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;

std::string AbsoluteFolder(const std::string& folder) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    return IncludeTrailingDelimiter((ec ? fs::path(folder) : absolute).lexically_normal().string());
}

int Finish(const TConfigTransferReport& report, const std::string& done) {
    if (report.Complete()) {
        std::cout << done << " (" << report.filesCopied << " files copied)\n";
        return kExitOk;
    }
    for (const auto& line : report.Lines()) std::cerr << "tessaly-cli: " << line << "\n";
    std::cerr << "tessaly-cli: " << OutcomeText(TOutcome::Incomplete) << "\n";
    return kExitIncomplete;
}

}  // namespace

int RunExportConfig(const std::string& folder) {
    const std::string target = AbsoluteFolder(folder);
    if (!ForceDirectories(target)) {
        std::cerr << "tessaly-cli: cannot create the folder " << target << "\n";
        return kExitOutputFolder;
    }
    TYahooConfigExportImport transfer(ConfigurationFolder(), TConfigDirection::Export, target);
    transfer.Start();
    transfer.Wait();
    return Finish(transfer.Report(), "Exported the configuration to " + target);
}

int RunImportConfig(const std::string& folder) {
    const std::string source = AbsoluteFolder(folder);
    std::error_code ec;
    if (!fs::is_directory(source, ec)) {
        std::cerr << "tessaly-cli: no folder " << source << "\n";
        return kExitUsage;
    }
    if (!HoldsExportedConfiguration(source)) {
        std::cerr << "tessaly-cli: " << source << " holds no exported configuration ("
                  << TYahooConfigExportImport::kRegistryFileName << " is missing)\n";
        return kExitUsage;
    }
    TYahooConfigExportImport transfer(source, TConfigDirection::Import, ConfigurationFolder());
    transfer.Start();
    transfer.Wait();
    return Finish(transfer.Report(), "Imported the configuration from " + source);
}

int RunCheckUpdate(const TYahooDownloadOptions& options, const std::string& server) {
    TUpdateCheck check(server.empty() ? options.strUpdateServer : server);
    const TUpdateCheckResult result = check.FetchUpdateFile();
    std::cout << "Installed Version : " << result.installedVersion << "\n";
    if (result.currentVersion) {
        std::cout << "Current Version : " << *result.currentVersion
                  << (result.newerVersion ? " (new)" : "") << "\n";
    }
    for (const auto& line : result.log) std::cout << line << "\n";
    if (!result.fetched) {
        std::cerr << "tessaly-cli: " << OutcomeText(TOutcome::UpdateFailed) << " ("
                  << check.UpdateFileURL() << ")\n";
        return kExitUpdateFailed;
    }
    if (!result.urlToOpen.empty()) std::cout << "Update Site : " << result.urlToOpen << "\n";
    return kExitOk;
}

}  // namespace tessaly::cli
