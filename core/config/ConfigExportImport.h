#pragma once
// TYahooConfigExportImport: one export or import of the whole configuration on a thread of its
// own, so the front end stays responsive meanwhile.
//
// An exported configuration is a folder holding "registry.reg" (the program's registry key,
// see registry/RegistryFile.h) and a copy of the configuration folder's tree.
//   Export: the registry key \Software\Tessaly2 of HKEY_CURRENT_USER into target +
//           "registry.reg", then the source folder's tree (the configuration folder) into the
//           target. A "registry.reg" at the top of the configuration folder (left there by an
//           earlier import) is not copied: it would replace the key just exported.
//   Import: source + "registry.reg" into the registry, then the source folder's tree into the
//           target (the configuration folder), which so receives the "registry.reg" as well.
// The registry store's own files are never copied nor copied over, wherever the folders lie.
// Both steps run whatever the other's outcome; everything that went wrong is collected in the
// report, which the front end shows when the transfer is done (an error box, the command
// line's exit status). Nothing is swallowed.
//
// Use (front end, user-interface thread):
//   TYahooConfigExportImport transfer(ConfigurationFolder(), TConfigDirection::Export, chosen);
//   transfer.Start();
//   ... process events until transfer.Done() ...
//   if (!transfer.Report().Complete()) show transfer.Report().Lines()
// With a TUiThread the end handler (the done flag and OnTerminate) runs on that thread, the one
// that created the TUiThread, as a posted call; without one it runs on the transfer thread.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tessaly {

class TUiThread;

enum class TConfigDirection { Export, Import };

// The texts of the two menu commands: the folder chooser's caption, the progress dialog's
// caption and its status text.
inline constexpr const char* kExportFolderCaption = "Select a configuration save Dir";
inline constexpr const char* kExportProgressCaption = "Exporting...";
inline constexpr const char* kExportProgressStatus = "Exporting the Configuration Files...";
inline constexpr const char* kImportFolderCaption = "Select a configuration Dir";
inline constexpr const char* kImportProgressCaption = "Importing...";
inline constexpr const char* kImportProgressStatus = "Importing the Configuration Files...";

struct TConfigTransferReport {
    std::vector<std::string> failures;  // what could not be exported or imported
    std::vector<std::string> skipped;   // entries of the folder tree that are not files or folders
    std::size_t filesCopied = 0;
    bool registryDone = false;  // the registry step ran to its end

    [[nodiscard]] bool Complete() const { return failures.empty() && skipped.empty(); }
    // One line per failure, then one per skipped entry ("Skipped PATH: a symbolic link").
    [[nodiscard]] std::vector<std::string> Lines() const;
};

class TYahooConfigExportImport {
public:
    static constexpr const char* kRegistryFileName = "registry.reg";

    // Folders with or without a trailing "/". Nothing runs before Start.
    TYahooConfigExportImport(std::string sourceFolder, TConfigDirection direction,
                             std::string targetFolder, TUiThread* ui = nullptr);
    // Waits for a started transfer to end.
    ~TYahooConfigExportImport();
    TYahooConfigExportImport(const TYahooConfigExportImport&) = delete;
    TYahooConfigExportImport& operator=(const TYahooConfigExportImport&) = delete;

    // Runs after the done flag is set (on the TUiThread's thread when one was given). Set it
    // before Start.
    std::function<void()> OnTerminate;

    void Start();
    // The done flag: the transfer has ended and its report is complete.
    [[nodiscard]] bool Done() const { return done_->load(std::memory_order_acquire); }
    // Blocks until the transfer thread has ended (not for the posted end handler).
    void Wait();
    // Valid once Done() (or Wait()).
    [[nodiscard]] const TConfigTransferReport& Report() const { return report_; }

    // The transfer itself, on the calling thread (what the thread runs).
    [[nodiscard]] static TConfigTransferReport Run(const std::string& sourceFolder,
                                                   TConfigDirection direction,
                                                   const std::string& targetFolder);

private:
    void Execute();

    std::string source_;
    TConfigDirection direction_;
    std::string target_;
    TUiThread* ui_;
    TConfigTransferReport report_;
    std::thread thread_;
    // Shared with the end handler, which may still be queued on the user-interface thread
    // when the object is released.
    std::shared_ptr<std::atomic<bool>> done_ = std::make_shared<std::atomic<bool>>(false);
};

// Whether `folder` holds an exported configuration (a "registry.reg" file).
[[nodiscard]] bool HoldsExportedConfiguration(const std::string& folder);

}  // namespace tessaly
