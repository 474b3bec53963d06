#include "support/SessionFixture.h"

#include "support/TestEnv.h"

namespace tessaly::test {

void SessionTest::SetUp() {
    EnsureQtApp();
    SimServiceTest::SetUp();
    if (HasFatalFailure()) return;
    browser_ = std::make_unique<TPageBrowser>();
    session_ = std::make_unique<TMemberSession>(options_, *browser_, ui_);
}

void SessionTest::TearDown() {
    session_.reset();
    browser_.reset();
    SimServiceTest::TearDown();
}

bool SessionTest::LoggedIn() {
    session_->SetUserName(kDemoUser);
    session_->SetPassword(kDemoPassword);
    return session_->FormLogin() && session_->LoginOutcome() == dsOk;
}

}  // namespace tessaly::test
