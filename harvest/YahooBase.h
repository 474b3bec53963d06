#pragma once
// TYahooBase: the site access object of one group and section. It knows the service's
// addresses, fetches pages through its owning worker (so every page loads in the member's
// browser session), gets past the pages the service puts in the way, learns the country
// prefix, the letter case of the group name and the first and last message numbers, and
// offers the link operations the harvesters share.

#include <string>
#include <vector>

#include "browser/Page.h"
#include "status/DownloadStatus.h"

namespace tessaly {

class TYahooDownloadOptions;

// What a site access object needs from its owning worker; every call blocks until it has been
// carried out in the member's browser session.
class ISiteOwner {
public:
    virtual ~ISiteOwner() = default;
    virtual TFetch BrowserFetch(const std::string& url) = 0;
    virtual bool BrowserClickElement(const std::string& name, const std::string& value) = 0;
    [[nodiscard]] virtual std::string BrowserLocation() = 0;
    // The service answered "too fast": waits `seconds` (paced) before the page is asked for
    // again, showing why; false when the user stopped the group meanwhile.
    virtual bool WaitThrottled(int seconds) = 0;
};

// Whether the page is the service's answer to a member who fetches too fast ("error 999").
[[nodiscard]] bool IsThrottledPage(const TPage& page);

class TYahooBase {
public:
    TYahooBase(ISiteOwner& owner, std::string groupName, std::string userName, std::string password,
               const TYahooDownloadOptions& options, bool debugPages);
    virtual ~TYahooBase() = default;
    TYahooBase(const TYahooBase&) = delete;
    TYahooBase& operator=(const TYahooBase&) = delete;

    [[nodiscard]] const std::string& GroupHost() const { return groupHost_; }
    [[nodiscard]] const std::string& GroupName() const { return groupName_; }
    [[nodiscard]] const std::string& CountryPrefix() const { return countryPrefix_; }
    [[nodiscard]] int FirstMessage() const { return firstMessage_; }
    [[nodiscard]] int LastMessage() const { return lastMessage_; }
    // The page fetched last (after a failed load, the browser's page that tells why).
    TPagePtr PageBuffer = TPage::None();

    [[nodiscard]] std::string FirstMessagesURL() const;
    [[nodiscard]] std::string MessagesURL() const;
    [[nodiscard]] std::string MessageURL(int n) const;
    [[nodiscard]] std::string FilesURL(const std::string& path) const;
    [[nodiscard]] std::string FilesRootKey() const;
    [[nodiscard]] std::string PhotosRootKey() const;
    [[nodiscard]] std::string GroupHomeURL() const;

    // Fetches the page; an error answer (400 and above) or no page at all is a failure, and a
    // throttled answer is waited out and asked for again (harvest/Throttling.h) before it is one.
    // LastFailure tells why the last failed fetch failed.
    DownloadStatus FetchPage(const std::string& url, TPagePtr& page);
    [[nodiscard]] const std::string& LastFailure() const { return lastFailure_; }
    DownloadStatus OpenGroup();
    // Message page n, past the pages the service puts in front of it; `page` is what the last
    // fetch delivered.
    bool FetchMessage(int n, TPagePtr& page);
    [[nodiscard]] int NextMessageNumber(int n, const TPage& page) const;
    [[nodiscard]] bool PageLinksToMessage(int n, const TPage& page) const;
    bool PassAdultPage(const TPage& page);
    bool ClickAccept();
    bool DetectCountryPrefix();
    bool FixGroupNameCase(const TPage& page);
    bool FindFirstMessage(const TPage& page);
    bool FindLastMessage(const TPage& page);
    // The lowest message number at or above n among the page's message links, or -1.
    [[nodiscard]] int FirstMessageAtOrAbove(const TPage& page, int n) const;
    static void ExtractLinks(const std::string& page, std::vector<std::string>& links);
    void ExtractAbsoluteLinks(const std::string& page, const std::string& suffix,
                              std::vector<std::string>& links) const;
    void SaveDebugPage(const std::string& text, const std::string& fileName) const;
    static bool EnsureFolderFor(const std::string& filePath);
    // The host part of an address ("uk.photos.groups.yahoo.com" of
    // "http://uk.photos.groups.yahoo.com/group/x/lst"); "" when it has none.
    [[nodiscard]] static std::string UrlHost(const std::string& url);

    // Link filters.
    [[nodiscard]] static bool HasExtension(const std::string& extension, const std::string& text);
    [[nodiscard]] static bool IsBlockedFileType(const std::string& link);
    static void CheckedExtensions(const std::vector<std::string>& checklist,
                                  std::vector<std::string>& result);
    void FilterLinksByExtension(std::vector<std::string>& links) const;

protected:
    // The link made absolute against "http://" + prefix + groups host + suffix.
    [[nodiscard]] std::string Absolute(const std::string& link,
                                       const std::string& suffix = {}) const;
    // The text after the first occurrence of `prefix` (a message prefix, upper case, starting
    // with `base`) in the absolute form of the link, without regard to case; empty when none.
    [[nodiscard]] static std::string_view MessageNumberText(std::string_view link,
                                                            std::string_view base,
                                                            std::string_view prefix);
    // The numbers of the page's message links, in page order.
    [[nodiscard]] std::vector<int> MessageNumbers(const TPage& page) const;

    ISiteOwner& owner_;
    const TYahooDownloadOptions& options_;
    std::string groupName_;
    std::string userName_;
    std::string password_;
    bool debugPages_;
    std::string countryPrefix_;
    std::string groupHost_;
    int firstMessage_ = -1;
    int lastMessage_ = -1;
    std::string lastFailure_;
};

}  // namespace tessaly
