#pragma once
// A site owner for tests of site access objects that never reach the service: every fetch
// fails, every click succeeds, the browser is nowhere and a throttled wait is given up.

#include <string>

#include "harvest/YahooBase.h"

namespace tessaly::test {

class NoSiteOwner : public ISiteOwner {
public:
    TFetch BrowserFetch(const std::string& /*url*/) override { return {false, TPage::None()}; }
    bool BrowserClickElement(const std::string&, const std::string&) override { return true; }
    std::string BrowserLocation() override { return {}; }
    bool WaitThrottled(int /*seconds*/) override { return false; }
};

}  // namespace tessaly::test
