#pragma once
// TPage: one fetched page as it travels from the browser engine through the site access and the
// worker to the writer: the address it finally came from (after redirects), the HTTP status of
// its answer, its source text and the links it holds. It is never changed once made, so it is
// shared read-only between threads (TPagePtr) instead of being copied; its links are read from
// the source the first time anyone asks for them, once.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tessaly {

class TPage {
public:
    TPage() = default;
    TPage(std::string location, int status, std::string source, std::string failure = {});
    TPage(const TPage&) = delete;
    TPage& operator=(const TPage&) = delete;

    // The address of the page after redirects ("" for the empty page).
    [[nodiscard]] const std::string& Location() const { return location_; }
    // The HTTP status of the answer (0 when no answer was read).
    [[nodiscard]] int Status() const { return status_; }
    [[nodiscard]] const std::string& Source() const { return source_; }
    [[nodiscard]] bool Empty() const { return source_.empty(); }
    // Why the load that made this page failed, in one line ("" for a page the service sent).
    [[nodiscard]] const std::string& Failure() const { return failure_; }
    // Every anchor target of the page in document order, as the HTML scanner reports them.
    [[nodiscard]] const std::vector<std::string>& Links() const;

    // The shared empty page: what a failed fetch delivers.
    [[nodiscard]] static const std::shared_ptr<const TPage>& None();

private:
    std::string location_;
    int status_ = 0;
    std::string source_;
    std::string failure_;
    // Read once, by whichever thread asks first (a mutex taken only until then: a once-flag
    // would wake every thread of the process at the end of each page's first read).
    mutable std::atomic<bool> linksRead_{false};
    mutable std::mutex linksMutex_;
    mutable std::vector<std::string> links_;
};

using TPagePtr = std::shared_ptr<const TPage>;

[[nodiscard]] TPagePtr MakePage(std::string location, int status, std::string source,
                                std::string failure = {});

// The result of a page fetch: whether it succeeded and the page it delivered (never null: after
// a failed load the browser's error page, whose Failure() tells why, or the empty page). Ignoring
// it would treat a failed load as a page.
struct [[nodiscard]] TFetch {
    bool ok = false;
    TPagePtr page = TPage::None();

    [[nodiscard]] const std::string& Source() const { return page->Source(); }
};

}  // namespace tessaly
