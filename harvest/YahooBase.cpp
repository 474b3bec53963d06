#include "harvest/YahooBase.h"

#include <algorithm>
#include <set>

#include "harvest/Throttling.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "service/ServiceHosts.h"
#include "session/FetchPolicy.h"
#include "settings/DownloadOptions.h"
#include "text/HtmlScanner.h"
#include "text/TextUtils.h"

namespace tessaly {
namespace {

// A name from the service used as one folder name: no delimiters, no "..".
std::string SafeSegment(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    }
    name = ReplaceAllStr(name, "..", "_");
    return name.empty() ? std::string("_") : name;
}

std::string LinkExtension(const std::string& link) {
    // The extension of the last path segment, "/" read as "\".
    const std::string path = SlashToBackslash(link);
    const std::string last =
        path.substr(path.rfind('\\') == std::string::npos ? 0 : path.rfind('\\') + 1);
    const auto dot = last.rfind('.');
    return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}

}  // namespace

TYahooBase::TYahooBase(ISiteOwner& owner, std::string groupName, std::string userName,
                       std::string password, const TYahooDownloadOptions& options, bool debugPages)
    : owner_(owner),
      options_(options),
      groupName_(std::move(groupName)),
      userName_(std::move(userName)),
      password_(std::move(password)),
      debugPages_(debugPages),
      groupHost_(hosts::kGroups) {}

std::string TYahooBase::FirstMessagesURL() const {
    return "http://" + countryPrefix_ + groupHost_ + "/group/" + groupName_ + "/messages/1";
}
std::string TYahooBase::MessagesURL() const {
    return "http://" + countryPrefix_ + groupHost_ + "/group/" + groupName_ + "/messages/";
}
std::string TYahooBase::MessageURL(int n) const {
    return "http://" + countryPrefix_ + groupHost_ + "/group/" + groupName_ + "/message/" +
           std::to_string(n);
}
std::string TYahooBase::FilesURL(const std::string& path) const {
    return "http://" + countryPrefix_ + groupHost_ + "/group/" + groupName_ + "/files" + path;
}
std::string TYahooBase::FilesRootKey() const {
    // Compared with upper-cased links: every part is upper case, the group name as spelled too.
    return UpperCase(countryPrefix_ + groupHost_ + "/GROUP/" + groupName_ + "/FILES/");
}
std::string TYahooBase::PhotosRootKey() const {
    return UpperCase(countryPrefix_) + UpperCase(hosts::kPhotos) + "/GROUP/" +
           UpperCase(groupName_) + "/";
}
std::string TYahooBase::GroupHomeURL() const {
    return "http://" + groupHost_ + "/group/" + groupName_;
}

bool IsThrottledPage(const TPage& page) {
    // The service sent it with the status 999 and a title of its own; a message that merely
    // talks about the error has neither.
    if (page.Status() == 999) return true;
    const std::string_view head = std::string_view(page.Source()).substr(0, 2048);
    const std::size_t title = PosFrom("<title>", head, 1, true);
    return title != 0 && StartsText("Yahoo! - 999 ", head.substr(title - 1 + 7));
}

DownloadStatus TYahooBase::FetchPage(const std::string& url, TPagePtr& page) {
    for (std::size_t throttled = 0;; ++throttled) {
        const TFetch fetch = owner_.BrowserFetch(url);
        page = fetch.page;
        if (!fetch.ok) {
            lastFailure_ = (fetch.page->Failure().empty() ? std::string("the page did not load")
                                                          : fetch.page->Failure()) +
                           " (" + url + ")";
            return dsError;
        }
        if (!IsThrottledPage(*fetch.page)) {
            // An error answer (400 and above) is a page of the service, but not the page asked
            // for.
            if (fetch.page->Status() < 400) return dsOk;
            lastFailure_ =
                "the service answered " + std::to_string(fetch.page->Status()) + " (" + url + ")";
            return dsError;
        }
        // Neither saved nor counted: the service asks the member to slow down.
        if (throttled == kThrottleRetries) {
            lastFailure_ = ThrottledFailure(throttled + 1, url);
            return dsError;
        }
        if (!owner_.WaitThrottled(kThrottleWaits[throttled])) {
            lastFailure_ = kStoppedWhileThrottled;
            return dsError;
        }
    }
}

DownloadStatus TYahooBase::OpenGroup() {
    if (FetchPage(FirstMessagesURL(), PageBuffer) != dsOk) return dsError;
    DetectCountryPrefix();
    if (!PassAdultPage(*PageBuffer)) return dsError;
    if (FetchPage(FirstMessagesURL(), PageBuffer) != dsOk || !PassAdultPage(*PageBuffer))
        return dsError;
    const TPagePtr first = PageBuffer;
    SaveDebugPage(first->Source(), "FirstReq.html");
    FixGroupNameCase(*first);
    FindFirstMessage(*first);
    if (FetchPage(MessagesURL(), PageBuffer) != dsOk) return dsError;
    const TPagePtr last = PageBuffer;
    SaveDebugPage(last->Source(), "LastReq.html");
    if (!PassAdultPage(*last)) return dsError;
    FindLastMessage(*last);
    return dsOk;
}

bool TYahooBase::DetectCountryPrefix() {
    std::string location = LowerCase(Trim(owner_.BrowserLocation()));
    location = ReplaceText(location, "http://", "");
    const std::string host = LowerCase(groupHost_);
    if (location == host) {
        countryPrefix_.clear();
        return true;
    }
    const auto at = location.find(host);
    countryPrefix_ = at == std::string::npos ? std::string() : location.substr(0, at);
    return true;
}

bool TYahooBase::PassAdultPage(const TPage& page) {
    if (!ContainsText("adultconf", owner_.BrowserLocation())) return true;
    SaveDebugPage(page.Source(), "AdultPage.html");
    bool accepted = false;
    for (int click = 0; click < kFetchPolicy.acceptClicks && !accepted; ++click)
        accepted = ClickAccept();
    return accepted;
}

bool TYahooBase::ClickAccept() {
    return owner_.BrowserClickElement("accept", "");
}

std::string TYahooBase::Absolute(const std::string& link, const std::string& suffix) const {
    if (link == "/" || StartsText("HTTP://", link)) return link;
    const std::string base = "http://" + countryPrefix_ + groupHost_ + suffix;
    return base + (StartsStr("/", link) ? link : "/" + link);
}

std::string_view TYahooBase::MessageNumberText(std::string_view link, std::string_view base,
                                               std::string_view prefix) {
    // `prefix` (the message prefix) starts with `base`; in the absolute form of a relative link,
    // base + "/" + link, it can only start at the very beginning or inside the link, since the
    // host names hold no "http://".
    if (link != "/" && !StartsText("HTTP://", link)) {
        std::string_view tail = prefix.substr(base.size());  // "/GROUP/NAME/MESSAGE/"
        if (!StartsStr("/", link)) tail.remove_prefix(1);
        if (StartsText(tail, link)) return link.substr(tail.size());
    }
    const std::size_t at = PosFrom(prefix, link, 1, true);
    if (at == 0) return {};
    return link.substr(at - 1 + prefix.size());
}

std::vector<int> TYahooBase::MessageNumbers(const TPage& page) const {
    const std::string base = "http://" + countryPrefix_ + groupHost_;
    const std::string prefix = UpperCase(base + "/group/" + groupName_ + "/message/");
    std::vector<int> numbers;
    for (const auto& link : page.Links()) {
        const std::string_view number = MessageNumberText(link, base, prefix);
        if (number.empty() || number.size() > 9 || !IsAllDigits(number)) continue;
        int value = 0;
        for (char c : number) value = value * 10 + (c - '0');
        numbers.push_back(value);
    }
    return numbers;
}

bool TYahooBase::FindFirstMessage(const TPage& page) {
    const auto numbers = MessageNumbers(page);
    firstMessage_ = numbers.empty() ? -1 : *std::min_element(numbers.begin(), numbers.end());
    return true;
}

bool TYahooBase::FindLastMessage(const TPage& page) {
    const auto numbers = MessageNumbers(page);
    lastMessage_ = numbers.empty() ? -1 : *std::max_element(numbers.begin(), numbers.end());
    return true;
}

int TYahooBase::FirstMessageAtOrAbove(const TPage& page, int n) const {
    int best = -1;
    for (int number : MessageNumbers(page)) {
        if (number >= n && (best == -1 || number < best)) best = number;
    }
    return best;
}

bool TYahooBase::FixGroupNameCase(const TPage& page) {
    const std::string prefix =
        UpperCase("http://" + countryPrefix_ + groupHost_ + "/group/" + groupName_ + "/message/");
    const std::string lead = "http://" + countryPrefix_ + groupHost_ + "/group/";
    for (const auto& link : page.Links()) {
        const std::string absolute = Absolute(link);
        const std::string upper = UpperCase(absolute);
        const auto at = upper.find(prefix);
        if (at == std::string::npos || !IsAllDigits(upper.substr(at + prefix.size()))) continue;
        const auto start = UpperCase(absolute).find(UpperCase(lead));
        if (start == std::string::npos) continue;
        const std::string spelled = absolute.substr(start + lead.size(), groupName_.size());
        if (spelled != groupName_) {
            groupName_ = spelled;
            return true;
        }
    }
    return true;
}

int TYahooBase::NextMessageNumber(int n, const TPage& page) const {
    if (page.Empty()) return -1;
    const std::vector<int> linked = MessageNumbers(page);
    std::set<int> numbers(linked.begin(), linked.end());
    numbers.insert(n);
    auto it = numbers.upper_bound(n);
    return it == numbers.end() ? n : *it;
}

bool TYahooBase::PageLinksToMessage(int n, const TPage& page) const {
    // Absolute(link) = base + "/" + link for a relative link: compared piece by piece, without
    // building it.
    const std::string wanted = MessageURL(n);
    const std::size_t baseSize = ("http://" + countryPrefix_ + groupHost_).size();
    const std::string_view path = std::string_view(wanted).substr(baseSize);  // "/group/..."
    for (const auto& link : page.Links()) {
        if (link == "/") continue;
        if (StartsText("HTTP://", link)
                ? SameText(link, wanted)
                : SameText(link, StartsStr("/", link) ? path : path.substr(1)))
            return true;
    }
    return false;
}

bool TYahooBase::FetchMessage(int n, TPagePtr& page) {
    const std::string url =
        "http://" + groupHost_ + "/group/" + groupName_ + "/message/" + std::to_string(n);
    // Past a re-authorisation page: fetching the wanted page again is enough. The page fetched
    // then is the message, so it replaces the re-authorisation page as the page returned
    // (keeping the first page would save the re-authorisation page and end the walk there).
    auto authCheck = [&] {
        if (owner_.BrowserLocation().find(groupName_ + "/auth?") == std::string::npos) return true;
        if (FetchPage(url, PageBuffer) != dsOk) return false;
        page = PageBuffer;
        return true;
    };
    const bool fetched = FetchPage(url, PageBuffer) == dsOk;
    page = PageBuffer;
    if (!fetched) return false;
    bool result = authCheck();
    // A page that links to the message itself stands in front of it: fetch again. The last of
    // the fetches is taken as it comes.
    for (int fetch = 2; fetch <= kFetchPolicy.messageFetches && PageLinksToMessage(n, *page);
         ++fetch) {
        const bool again = FetchPage(url, PageBuffer) == dsOk;
        page = PageBuffer;
        if (!again) return false;  // at any step: a failed fetch is never the message
        result = authCheck();
    }
    return result;
}

void TYahooBase::ExtractLinks(const std::string& page, std::vector<std::string>& links) {
    THtmlScanner scanner;
    scanner.SetHTMLText(page);
    scanner.Execute();
    links = std::move(scanner.Parsed().Hyperlinks);
}

void TYahooBase::ExtractAbsoluteLinks(const std::string& page, const std::string& suffix,
                                      std::vector<std::string>& links) const {
    ExtractLinks(page, links);
    for (auto& link : links) link = Absolute(link, suffix);
}

std::string TYahooBase::UrlHost(const std::string& url) {
    std::string_view rest = url;
    if (const auto scheme = rest.find("://"); scheme != std::string_view::npos)
        rest.remove_prefix(scheme + 3);
    else
        return {};
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) rest.remove_prefix(at + 1);
    return std::string(rest.substr(0, rest.find(':')));
}

void TYahooBase::SaveDebugPage(const std::string& text, const std::string& fileName) const {
    if (!debugPages_) return;
    const std::string path =
        DebugFolder() + SafeSegment(groupName_) + "/" + SafeSegment(ExtractFileName(fileName));
    if (!EnsureFolderFor(path)) return;
    try {
        SaveFileAtomically(path, text);
    } catch (const EFileError&) {
        // Debug pages are best effort.
    }
}

bool TYahooBase::EnsureFolderFor(const std::string& filePath) {
    const auto slash = filePath.rfind('/');
    return slash == std::string::npos || slash == 0 || ForceDirectories(filePath.substr(0, slash));
}

bool TYahooBase::HasExtension(const std::string& extension, const std::string& text) {
    return EndsText("." + extension, text);
}

bool TYahooBase::IsBlockedFileType(const std::string& link) {
    const std::string path = SlashToBackslash(link);
    const std::string last =
        path.substr(path.rfind('\\') == std::string::npos ? 0 : path.rfind('\\') + 1);
    const auto dot = last.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = UpperCase(last.substr(dot + 1));
    for (const char* blocked :
         {"HTML", "HTM", "", "EXE", "SCR", "COM", "PIF", "JS", "VBS", "CMD", "DLL", "BAT"}) {
        if (ext == blocked) return true;
    }
    return false;
}

void TYahooBase::CheckedExtensions(const std::vector<std::string>& checklist,
                                   std::vector<std::string>& result) {
    result.clear();
    for (const auto& entry : checklist) {
        const std::string upper = UpperCase(entry);
        if (upper.find("C:") != std::string::npos) result.push_back(ReplaceAllStr(upper, "C:", ""));
    }
}

void TYahooBase::FilterLinksByExtension(std::vector<std::string>& links) const {
    std::vector<std::string> exclude, include;
    CheckedExtensions(options_.ExcludeExtensions, exclude);
    CheckedExtensions(options_.IncludeExtensions, include);
    std::vector<std::string> kept;
    for (const auto& link : links) {
        const std::string ext = UpperCase(ReplaceAllStr(LinkExtension(link), ".", ""));
        if (std::find(exclude.begin(), exclude.end(), ext) != exclude.end()) continue;
        if (!options_.boolDownloadAllFiles &&
            std::find(include.begin(), include.end(), ext) == include.end())
            continue;
        kept.push_back(link);
    }
    links = std::move(kept);
}

}  // namespace tessaly
