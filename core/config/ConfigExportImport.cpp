#include "config/ConfigExportImport.h"

#include <filesystem>
#include <system_error>

#include "files/FolderCopy.h"
#include "platform/FileLock.h"
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "registry/RegistryFile.h"
#include "registry/RegistryLayout.h"
#include "threading/UiThread.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

fs::path Resolved(const std::string& folder) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    return ec ? fs::path(folder).lexically_normal() : p;
}

// Whether `inner` is `outer` or lies below it.
bool Within(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty()) continue;  // the empty last element of a path ending in "/"
        if (i == inner.end() || *i != *o) return false;
    }
    return true;
}

void ExportRegistry(const std::string& fileName, TConfigTransferReport& report) {
    try {
        // Its own connection: the store of another thread must not be used here.
        TRegistryStore store;
        TRegistryFile file(store);
        file.SetRootKey(RegRoot::CurrentUser);
        file.OpenKey(reg::kKey);
        file.ExportKey(fileName);
        report.registryDone = true;
    } catch (const ERegistryException& e) {
        report.failures.push_back("The registry could not be exported to " + fileName + ": " +
                                  e.what());
    } catch (const EFileError& e) {
        report.failures.push_back("The registry could not be exported: " + std::string(e.what()));
    }
}

void ImportRegistry(const std::string& fileName, TConfigTransferReport& report) {
    try {
        TRegistryStore store;
        TRegistryFile file(store);
        file.SetRootKey(RegRoot::CurrentUser);
        file.ImportRegFile(fileName);
        report.registryDone = true;
    } catch (const ERegistryException& e) {
        report.failures.push_back("The registry could not be imported from " + fileName + ": " +
                                  e.what());
    } catch (const EFileError& e) {
        report.failures.push_back("The registry could not be imported: " + std::string(e.what()));
    }
}

}  // namespace

std::vector<std::string> TConfigTransferReport::Lines() const {
    std::vector<std::string> lines = failures;
    for (const auto& s : skipped) lines.push_back("Skipped " + s);
    return lines;
}

TYahooConfigExportImport::TYahooConfigExportImport(std::string sourceFolder,
                                                   TConfigDirection direction,
                                                   std::string targetFolder, TUiThread* ui)
    : source_(IncludeTrailingDelimiter(std::move(sourceFolder))),
      direction_(direction),
      target_(IncludeTrailingDelimiter(std::move(targetFolder))),
      ui_(ui) {}

TYahooConfigExportImport::~TYahooConfigExportImport() {
    Wait();
}

void TYahooConfigExportImport::Start() {
    if (thread_.joinable() || Done()) return;
    thread_ = std::thread([this] { Execute(); });
}

void TYahooConfigExportImport::Wait() {
    if (thread_.joinable()) thread_.join();
}

void TYahooConfigExportImport::Execute() {
    try {
        report_ = Run(source_, direction_, target_);
    } catch (const std::exception& e) {
        // Nothing may leave the thread; whatever stopped the transfer is told to the user.
        report_.failures.push_back(std::string("The transfer stopped: ") + e.what());
    }
    auto end = [done = done_, onTerminate = OnTerminate] {
        done->store(true, std::memory_order_release);
        if (onTerminate) onTerminate();
    };
    if (ui_ != nullptr)
        ui_->Post(end);
    else
        end();
}

TConfigTransferReport TYahooConfigExportImport::Run(const std::string& sourceFolder,
                                                    TConfigDirection direction,
                                                    const std::string& targetFolder) {
    const std::string source = IncludeTrailingDelimiter(sourceFolder);
    const std::string target = IncludeTrailingDelimiter(targetFolder);
    TConfigTransferReport report;
    std::vector<std::string> leaveOut;
    if (direction == TConfigDirection::Export) {
        if (!ForceDirectories(target)) {
            report.failures.push_back("Cannot create the folder " + target);
            return report;
        }
        ExportRegistry(target + kRegistryFileName, report);
        leaveOut.push_back(kRegistryFileName);
    } else {
        ImportRegistry(source + kRegistryFileName, report);
    }
    // A copy into a folder inside its own source would copy itself without end.
    if (Within(Resolved(target), Resolved(source))) {
        report.failures.push_back("The folder " + target + " lies inside " + source +
                                  ": its files were not copied");
        return report;
    }
    // The registry travels as registry.reg; its store is never copied, nor copied over, should
    // the configuration folder and the store's folder be one (XDG_DATA_HOME = XDG_CONFIG_HOME).
    TFolderCopyReport copy =
        CopyFolderTree(source, target, leaveOut, RegistryStoreFiles(DefaultRegistryFile()));
    report.filesCopied = copy.filesCopied;
    report.failures.insert(report.failures.end(), copy.failures.begin(), copy.failures.end());
    report.skipped = std::move(copy.skipped);
    return report;
}

bool HoldsExportedConfiguration(const std::string& folder) {
    std::error_code ec;
    return fs::is_regular_file(
        fs::path(IncludeTrailingDelimiter(folder) + TYahooConfigExportImport::kRegistryFileName),
        ec);
}

}  // namespace tessaly
