#pragma once
// A simulated group service on loopback for one test, reached as the system proxy.

#include <memory>

#include "groupsim/SimServer.h"
#include "support/TestEnv.h"

namespace tessaly::test {

class SimServiceTest : public TempHomeTest {
protected:
    static constexpr std::uint64_t kSeed = 11;
    void SetUp() override {
        TempHomeTest::SetUp();
        service_ = std::make_unique<groupsim::GroupService>(groupsim::DemoData(kSeed));
        server_ = std::make_unique<groupsim::SimServer>(*service_);
        ASSERT_GT(server_->Bind("127.0.0.1", 0), 0);
        server_->Start();
        const std::string proxy = "http://127.0.0.1:" + std::to_string(server_->Port());
        ::setenv("http_proxy", proxy.c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
    }
    void TearDown() override {
        server_.reset();
        service_.reset();
        ::unsetenv("http_proxy");
        TempHomeTest::TearDown();
    }
    groupsim::GroupService& Service() { return *service_; }
    int Port() const { return server_->Port(); }

    std::unique_ptr<groupsim::GroupService> service_;
    std::unique_ptr<groupsim::SimServer> server_;
};

}  // namespace tessaly::test
