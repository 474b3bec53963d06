#pragma once
// The configuration commands of tessaly-cli: export-config, import-config and check-update.
// Each returns the program's exit status and says on standard error what went wrong.

#include <string>

namespace tessaly {
class TYahooDownloadOptions;
}

namespace tessaly::cli {

// Writes registry.reg and a copy of the configuration folder into `folder` (created when
// missing).
[[nodiscard]] int RunExportConfig(const std::string& folder);
// Reads an exported configuration back: the registry from its registry.reg, its files into the
// configuration folder.
[[nodiscard]] int RunImportConfig(const std::string& folder);
// Asks the update server (`server`, or the options' strUpdateServer when empty) for the newest
// version and prints what the check window would show.
[[nodiscard]] int RunCheckUpdate(const TYahooDownloadOptions& options, const std::string& server);

}  // namespace tessaly::cli
