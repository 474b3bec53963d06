#pragma once
// The maker's update server, played by the simulated service on its own host name
// (tessaly::hosts::kUpdateServer): "/updates/ovupdate.ini" answers the update file, whose keys
// the tests choose (command-line options, or the control page /update-file).

#include <string>

namespace groupsim {

struct UpdateFile {
    // Each key is left out of the file when its value is empty.
    std::string version;
    std::string msg;
    std::string url;
    // An extra response header "Name: value" (empty: none), for clients that must judge the
    // status rather than the headers' text.
    std::string header;
};

inline constexpr const char* kUpdateFilePath = "/updates/ovupdate.ini";

// "[Update]" with the keys version, Msg and URLToOpen that are set, CR LF line ends.
[[nodiscard]] std::string UpdateFileText(const UpdateFile& file);
// From the control page's query "version=V&msg=M&url=U&header=NAME:VALUE" (decoded); a missing
// or empty parameter leaves its key out.
[[nodiscard]] UpdateFile ParseUpdateFile(const std::string& query);

}  // namespace groupsim
