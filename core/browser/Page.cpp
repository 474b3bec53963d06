#include "browser/Page.h"

#include "text/HtmlScanner.h"

namespace tessaly {

TPage::TPage(std::string location, int status, std::string source, std::string failure)
    : location_(std::move(location)),
      status_(status),
      source_(std::move(source)),
      failure_(std::move(failure)) {}

const std::vector<std::string>& TPage::Links() const {
    if (linksRead_.load(std::memory_order_acquire)) return links_;
    std::lock_guard lock(linksMutex_);
    if (!linksRead_.load(std::memory_order_relaxed)) {
        if (!source_.empty()) {
            THtmlScanner scanner;
            scanner.HyperlinksOnly = true;
            scanner.SetHTMLText(source_);
            scanner.Execute();
            links_ = std::move(scanner.Parsed().Hyperlinks);
        }
        linksRead_.store(true, std::memory_order_release);
    }
    return links_;
}

const TPagePtr& TPage::None() {
    static const TPagePtr none = std::make_shared<const TPage>();
    return none;
}

TPagePtr MakePage(std::string location, int status, std::string source, std::string failure) {
    return std::make_shared<const TPage>(std::move(location), status, std::move(source),
                                         std::move(failure));
}

}  // namespace tessaly
