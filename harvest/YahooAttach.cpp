#include "harvest/YahooAttach.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/CompleteFile.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "registry/ProgramRegistry.h"
#include "service/ServiceHosts.h"
#include "settings/DownloadOptions.h"
#include "text/HtmlScanner.h"
#include "text/LineEnds.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

// 1-based copy that treats a start below 1 as 1 and a negative count as empty.
std::string Copy(const std::string& s, long p, long n) {
    if (n <= 0) return {};
    if (p < 1) p = 1;
    if (static_cast<std::size_t>(p) > s.size()) return {};
    return s.substr(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(n));
}

long Pos(const std::string& part, const std::string& s) {
    const auto at = s.find(part);
    return at == std::string::npos ? 0 : static_cast<long>(at) + 1;
}

long LastPosOf(char c, const std::string& s) {
    const auto at = s.rfind(c);
    return at == std::string::npos ? 0 : static_cast<long>(at) + 1;
}

std::string InsertAt(const std::string& what, const std::string& s, long p) {
    if (p < 1) p = 1;
    const auto at = std::min(static_cast<std::size_t>(p - 1), s.size());
    return s.substr(0, at) + what + s.substr(at);
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// A group name used as a folder: no delimiters, no "..".
std::string FolderName(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    }
    name = ReplaceAllStr(name, "..", "_");
    return name.empty() ? std::string("_") : name;
}

}  // namespace

std::string SectionFolder(const std::string& saveDir, const std::string& section,
                          const std::string& group) {
    return SectionFolder(saveDir, section, group, ReadOldFormat());
}

std::string SectionFolder(const std::string& saveDir, const std::string& section,
                          const std::string& group, bool oldFormat) {
    const std::string out = IncludeTrailingDelimiter(saveDir);
    const std::string g = FolderName(group);
    return oldFormat ? out + g + "/" + section + "/" : out + section + "/" + g + "/";
}

TYahooAttachmentDownload::TYahooAttachmentDownload(ISiteOwner& owner, int lastNumber,
                                                   int firstNumber, bool debugPages,
                                                   const TYahooDownloadOptions& options,
                                                   std::string password, std::string userName,
                                                   std::string groupName)
    : TYahooBase(owner, std::move(groupName), std::move(userName), std::move(password), options,
                 debugPages),
      chosenLast_(lastNumber),
      chosenFirst_(firstNumber),
      oldFormat_(ReadOldFormat()) {}

DownloadStatus TYahooAttachmentDownload::InitGroup() {
    const DownloadStatus status = OpenGroup();
    // A page that could not be fetched says nothing about the group: that is an error. Only
    // pages that came and list no message mean the group has nothing to fetch.
    if (status != dsOk) return status;
    if (firstMessage_ == -1 || lastMessage_ == -1) return dsNotAvailable;
    return status;
}

// The addresses "name@" + groups mail domain in the page, as a pattern with a class run before
// "@" would find them, in one pass and without backtracking. The domain's dot stands for any
// character, as it did in the pattern.
std::vector<std::string> TYahooAttachmentDownload::GetValidYahooGroupNamesFrom(
    const std::string& rawPage) {
    std::vector<std::string> names;
    const std::string page = Trim(rawPage);
    const std::string domain = hosts::kGroupsMailDomain;  // "yahoogroups.com"
    const auto dot = domain.find('.');
    const std::string head = "@" + domain.substr(0, dot);
    const std::string tail = domain.substr(dot + 1);
    std::size_t from = 0;
    for (std::size_t at; (at = page.find(head, from)) != std::string::npos;) {
        const std::size_t after = at + head.size();
        if (after + 1 + tail.size() > page.size() ||
            page.compare(after + 1, tail.size(), tail) != 0) {
            from = at + 1;
            continue;
        }
        std::size_t start = at;
        while (start > 0 && IsNameChar(page[start - 1])) --start;
        from = after + 1 + tail.size();
        if (start == at) continue;
        std::string name = Trim(page.substr(start, at - start));
        const std::string upper = UpperCase(name);
        for (const char* role : {"-UNSUBSCRIBE", "-SUBSCRIBE", "-OWNER", "-MODERATOR"}) {
            if (upper.find(role) != std::string::npos) {
                name = name.substr(0, name.rfind('-'));
                break;
            }
        }
        name = Trim(name);
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

void TYahooAttachmentDownload::ExtractOtherLinks(const std::string& page,
                                                 std::vector<std::string>& links) const {
    std::vector<std::string> all;
    ExtractLinks(page, all);
    OtherLinksOf(all, options_.IgnoreEmbbededSites, links);
}

void TYahooAttachmentDownload::OtherLinksOf(const std::vector<std::string>& pageLinks,
                                            const std::vector<std::string>& ignoredSites,
                                            std::vector<std::string>& links) {
    // Compared in upper case, each site and each link folded once.
    std::vector<std::string> sites;
    for (const auto& site : ignoredSites) {
        if (!site.empty()) sites.push_back(UpperCase(site));
    }
    std::string upper;
    for (const auto& link : pageLinks) {
        if (StartsStr("/", link) || StartsText("mailto", link)) continue;
        upper.assign(link);
        for (char& c : upper) c = UpCase(c);
        const bool ignored = std::any_of(sites.begin(), sites.end(), [&](const std::string& s) {
            return upper.find(s) != std::string::npos;
        });
        if (!ignored) links.push_back(link);
    }
}

std::string TYahooAttachmentDownload::MessagesFolder() const {
    return SectionFolder(options_.strSaveDir, "Messages", groupName_, oldFormat_);
}

std::string TYahooAttachmentDownload::AttachmentsFolder() const {
    return SectionFolder(options_.strSaveDir, "Attachments", groupName_, oldFormat_);
}

bool TYahooAttachmentDownload::IsServiceFileLink(std::string_view link) {
    const auto scheme = link.find("://");
    if (scheme == std::string_view::npos) return false;
    const auto hostStart = scheme + 3;
    const auto pathStart = std::min(link.find_first_of("/?#", hostStart), link.size());
    std::string_view host = link.substr(hostStart, pathStart - hostStart);
    host = host.substr(0, host.find(':'));  // without a port
    const auto pathEnd = std::min(link.find_first_of("?#", pathStart), link.size());
    const std::string_view path = link.substr(pathStart, pathEnd - pathStart);
    if (EndsText(hosts::kFileStore, host)) return true;
    return EndsText(hosts::kGroups, host) && ContainsText("/attach/", path);
}

std::vector<std::string> TYahooAttachmentDownload::MessageFileLinks(const TPage& page) const {
    struct TFound {
        std::string link;
        bool picture;
    };
    std::vector<TFound> found;
    THtmlScanner scanner;
    scanner.OnFoundTag = [&found](THtmlScanner&, std::string_view tag) {
        const std::string_view name = tag.substr(0, tag.find(' '));
        if (SameText(name, "a"))
            found.push_back({THtmlScanner::AttributeValue(tag, "href"), false});
        else if (SameText(name, "img"))
            found.push_back({THtmlScanner::AttributeValue(tag, "src"), true});
    };
    scanner.SetHTMLText(page.Source());
    scanner.Execute();

    std::vector<std::string> ignored;
    for (const auto& site : options_.IgnoreEmbbededSites) {
        if (!site.empty()) ignored.push_back(UpperCase(site));
    }
    std::vector<std::string> links;
    std::set<std::string> seen;
    for (const auto& [raw, picture] : found) {
        const std::string link = Trim(raw);
        std::string absolute;
        if (StartsText("http://", link) || StartsText("https://", link)) {
            absolute = link;
        } else if (link.empty() || StartsStr("//", link) ||
                   link.find(':') < link.find_first_of("/?#")) {
            continue;  // another scheme (mail, script), or nothing
        } else {
            absolute = Absolute(link);
        }
        if (!IsServiceFileLink(absolute)) {
            if (!picture) continue;  // an outside link, not a file of the message
            const std::string upper = UpperCase(absolute);
            if (std::any_of(ignored.begin(), ignored.end(), [&](const std::string& site) {
                    return upper.find(site) != std::string::npos;
                }))
                continue;
        }
        if (seen.insert(absolute).second) links.push_back(absolute);
    }
    return links;
}

bool TYahooAttachmentDownload::SaveMessagePage(int number, const std::string& page) const {
    return WriteMessageFile(MessagesFolder(), options_.boolUseMessageDateFormat, number, page);
}

bool TYahooAttachmentDownload::WriteMessageFile(const std::string& folder, bool dateFormat,
                                                int number, const std::string& page,
                                                bool folderMade, std::string* why) {
    if (!folderMade && !ForceDirectories(folder)) {
        if (why != nullptr) *why = "cannot create the folder " + folder;
        return false;
    }
    char digits[32];
    std::snprintf(digits, sizeof digits, "%07d", number);
    // The prefix comes from the page: a "/" in it must not lead out of the folder.
    std::string prefix = dateFormat ? MessageDatePrefix(page) : std::string();
    for (char& ch : prefix) {
        if (ch == '/' || ch == '\\' || ch == '\0') ch = '_';
    }
    // The file appears under its name only once complete (a killed run leaves no short file),
    // and without a flush to the disk: a message page is fetched again by a later run, which
    // then replaces the file in one step. Its lines end with CR LF, whatever the service sent.
    try {
        std::string converted;
        WriteCompleteFile(folder + prefix + digits + ".html", CrLfLines(page, converted));
    } catch (const EFileError& e) {
        // Not saved (disk full, a folder in the way, ...): the caller must know.
        if (why != nullptr) *why = e.what();
        return false;
    }
    return true;
}

std::string TYahooAttachmentDownload::MessageDatePrefix(const std::string& page) {
    long p = Pos("Date:<", page);
    if (p == 0) return {};
    std::string t = Copy(page, p, 200);
    p = Pos(">", t);
    if (p == 0) return {};
    t = Copy(t, p + 1, 200);
    p = Pos("<", t);
    if (p == 0) return {};
    t = Copy(t, 1, p - 1);
    t = ReplaceText(t, "&nbsp;", "");
    t = ReplaceAllStr(t, " ", "_");
    t = ReplaceAllStr(ReplaceAllStr(t, "\r", ""), "\n", "");
    t = ReplaceAllStr(t, ":", "_");
    const long c = LastPosOf(',', t);
    if (c > 0) {
        const std::string day = Copy(t, c - 2, 2);
        const std::string tailText = Copy(t, c, static_cast<long>(t.size()));
        const auto first = tailText.find('_');
        const auto last = tailText.rfind('_');
        const std::string mid = first == std::string::npos || last <= first
                                    ? std::string()
                                    : tailText.substr(first + 1, last - first - 1);
        if (!IsAllDigits(day))
            t = Copy(t, 1, c - 2) + "0" + Copy(t, c - 1, static_cast<long>(t.size()));
        if (mid.size() < 2) {
            const long k = LastPosOf('_', t);
            const long m = LastPosOf('_', Copy(t, 1, k - 1));
            t = InsertAt("0", t, m + 1);
        }
    }
    t = Copy(t, 5, static_cast<long>(t.size()));
    t = UpperCase(t);
    static const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                    "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    bool found = false;
    for (int i = 0; i < 12; ++i) {
        if (t.find(kMonths[i]) != std::string::npos) {
            char number[8];
            std::snprintf(number, sizeof number, "%02d_", i + 1);
            t = ReplaceAllStr(t, kMonths[i], number);
            found = true;
            break;
        }
    }
    if (!found) t.clear();
    p = Pos(",", t);
    const std::string rest = Copy(t, p + 1, static_cast<long>(t.size()));
    t = Copy(t, 1, p - 1);
    t = "_" + t + "_";
    return InsertAt(t, rest, Pos("_", rest)) + "_";
}

void TYahooAttachmentDownload::SetLastPosition(std::int64_t number) const {
    tessaly::SetLastPosition(userName_, groupName_, number);
}

std::int64_t TYahooAttachmentDownload::GetLastPosition() const {
    return tessaly::GetLastPosition(userName_, groupName_);
}

void TYahooAttachmentDownload::SetGroupFlag(TGroupFlag which, bool value) const {
    tessaly::SetGroupFlag(userName_, groupName_, which, value);
}

}  // namespace tessaly
