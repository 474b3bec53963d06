#include "groupsim/SimUpdate.h"

#include "groupsim/SimService.h"

namespace groupsim {

std::string UpdateFileText(const UpdateFile& file) {
    std::string text = "[Update]\r\n";
    if (!file.version.empty()) text += "version=" + file.version + "\r\n";
    if (!file.msg.empty()) text += "Msg=" + file.msg + "\r\n";
    if (!file.url.empty()) text += "URLToOpen=" + file.url + "\r\n";
    return text;
}

UpdateFile ParseUpdateFile(const std::string& query) {
    UpdateFile f;
    f.version = QueryValue(query, "version");
    f.msg = QueryValue(query, "msg");
    f.url = QueryValue(query, "url");
    f.header = QueryValue(query, "header");
    return f;
}

}  // namespace groupsim
