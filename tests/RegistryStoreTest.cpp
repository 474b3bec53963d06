#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "support/CliRunner.h"
#include "support/StoreCheck.h"
#include "support/TestEnv.h"

namespace tessaly {
namespace {

class RegistryStoreTest : public test::TempHomeTest {};

TEST_F(RegistryStoreTest, KeysAndValuesIgnoreCaseButKeepIt) {
    TRegistryStore reg;
    EXPECT_EQ(reg.FileName(), PrivateStateFolder() + "registry.sqlite3");
    reg.WriteValue(RegRoot::CurrentUser, "\\Software\\Tessaly2", "UMask", RegValue::String("a"));
    reg.WriteValue(RegRoot::CurrentUser, "software\\TESSALY2\\", "umask", RegValue::String("b"));
    auto v = reg.ReadValue(RegRoot::CurrentUser, "SOFTWARE\\\\tessaly2", "UMASK");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, "b");
    EXPECT_EQ(reg.ValueNames(RegRoot::CurrentUser, "Software\\Tessaly2"),
              std::vector<std::string>{"UMask"});
    EXPECT_EQ(reg.SubKeyNames(RegRoot::CurrentUser, "Software"),
              std::vector<std::string>{"Tessaly2"});
    // Roots are separate hives.
    EXPECT_FALSE(reg.ReadValue(RegRoot::LocalMachine, "Software\\Tessaly2", "UMask"));
}

TEST_F(RegistryStoreTest, OrderTypesAndDeletion) {
    TRegistryStore reg;
    const char* key = "Software\\Order";
    reg.WriteValue(RegRoot::CurrentUser, key, "zeta", RegValue::Dword(0xFFFFFFFE));
    reg.WriteValue(RegRoot::CurrentUser, key, "Alpha", RegValue::Binary(std::string("\0\1\2", 3)));
    reg.WriteValue(RegRoot::CurrentUser, key, "mid", RegValue::MultiString({"one", "two"}));
    reg.WriteValue(RegRoot::CurrentUser, key, "odd", RegValue{11, std::string("\xFF\x00", 2)});
    reg.WriteValue(RegRoot::CurrentUser, key, "ZETA", RegValue::String("text", REG_EXPAND_SZ));
    auto values = reg.Values(RegRoot::CurrentUser, key);
    ASSERT_EQ(values.size(), 4u);
    // Creation order; overwriting keeps the place and the first spelling.
    EXPECT_EQ(values[0].first, "zeta");
    EXPECT_EQ(values[0].second, RegValue::String("text", REG_EXPAND_SZ));
    EXPECT_EQ(values[1].second.data, std::string("\0\1\2", 3));
    EXPECT_EQ(values[2].second.AsMultiString(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(values[3].second.type, 11u);
    EXPECT_EQ(RegValue::Dword(0xFFFFFFFE).AsDword(), 0xFFFFFFFEu);

    for (const char* sub : {"b", "C", "a", "B2"})
        reg.CreateKey(RegRoot::CurrentUser, std::string(key) + "\\" + sub);
    EXPECT_EQ(reg.SubKeyNames(RegRoot::CurrentUser, key),
              (std::vector<std::string>{"a", "b", "B2", "C"}));

    reg.WriteValue(RegRoot::CurrentUser, std::string(key) + "\\b\\deep", "v",
                   RegValue::String("x"));
    EXPECT_TRUE(reg.DeleteValue(RegRoot::CurrentUser, key, "MID"));
    EXPECT_FALSE(reg.DeleteValue(RegRoot::CurrentUser, key, "mid"));
    EXPECT_TRUE(reg.DeleteKey(RegRoot::CurrentUser, std::string(key) + "\\B"));
    EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, std::string(key) + "\\b\\deep"));
    EXPECT_FALSE(reg.DeleteKey(RegRoot::CurrentUser, ""));  // roots stay
    // Reading opens, and so creates, the key.
    EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, "Software\\New"));
    EXPECT_FALSE(reg.ReadValue(RegRoot::CurrentUser, "Software\\New", "x"));
    EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, "Software\\New"));
}

TEST_F(RegistryStoreTest, RootNames) {
    EXPECT_EQ(RegRootName(RegRoot::CurrentUser), "HKEY_CURRENT_USER");
    EXPECT_EQ(RegRootName(RegRoot::PerformanceData), "HKEY_PERFORMANCE_DATA");
    EXPECT_EQ(RegRootFromName("hkey_local_machine"), RegRoot::LocalMachine);
    EXPECT_EQ(RegRootFromName("HKCU"), RegRoot::CurrentUser);
    EXPECT_EQ(RegRootFromName("HKEY_NOWHERE"), std::nullopt);
}

TEST_F(RegistryStoreTest, FileIsPrivateAndWritesSurviveReopening) {
    {
        TRegistryStore reg;
        reg.WriteValue(RegRoot::CurrentUser, "Software\\T", "v", RegValue::Dword(7));
    }
    struct stat st {};
    ASSERT_EQ(::stat(DefaultRegistryFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    TRegistryStore again;
    EXPECT_EQ(again.ReadValue(RegRoot::CurrentUser, "Software\\T", "v")->AsDword(), 7u);
}

TEST_F(RegistryStoreTest, UnusableFileRaises) {
    std::filesystem::create_directories(Dir() + "blocked.sqlite3");
    EXPECT_THROW(TRegistryStore{Dir() + "blocked.sqlite3"}, ERegistryException);
}

// Each thread has its own store; what one writes, the others read once the call returned.
TEST_F(RegistryStoreTest, ThreadsWriteAndReadConcurrently) {
    constexpr int kThreads = 4;
    constexpr int kWrites = 60;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            try {
                TRegistryStore& reg = ThreadRegistry();
                for (int i = 0; i < kWrites; ++i) {
                    reg.WriteValue(RegRoot::CurrentUser, "Software\\Shared",
                                   "t" + std::to_string(t),
                                   RegValue::Dword(static_cast<std::uint32_t>(i)));
                    // Another thread's value is never torn or missing once it has been written.
                    auto other = reg.ReadValue(RegRoot::CurrentUser, "Software\\Shared",
                                               "t" + std::to_string((t + 1) % kThreads));
                    if (other && !other->AsDword()) ++failures;
                }
            } catch (const ERegistryException&) {
                ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    auto values = ThreadRegistry().Values(RegRoot::CurrentUser, "Software\\Shared");
    ASSERT_EQ(values.size(), static_cast<std::size_t>(kThreads));
    for (auto& [name, value] : values)
        EXPECT_EQ(value.AsDword(), static_cast<std::uint32_t>(kWrites - 1)) << name;
}

// This program keeps a connection open and makes a store on each new thread, as a run does,
// while another program opens, reads, writes and closes the store again and again. The other
// program must never take the store for unused (and remove its write-ahead log) while ours is
// open: every write of both is kept and the store stays sound.
TEST_F(RegistryStoreTest, AnotherProgramBesideOpenConnectionsLosesNothing) {
    constexpr int kPeerCycles = 1000;
    const std::string file = DefaultRegistryFile();
    const char* key = "Software\\Here";
    TRegistryStore held(file);
    held.WriteValue(RegRoot::CurrentUser, key, "start", RegValue::Dword(1));

    std::atomic<bool> peerDone{false};
    test::CliRun peer;
    std::thread peerThread([&] {
        peer = test::RunCli(REGISTRY_PEER_BINARY, {file, std::to_string(kPeerCycles)}, "");
        peerDone = true;
    });
    int rounds = 0;
    std::string failure;  // what our side of the store threw
    for (; failure.empty() && (!peerDone || rounds < 20); ++rounds) {
        std::thread([&, rounds] {
            try {
                ThreadRegistry().WriteValue(RegRoot::CurrentUser, key, "t" + std::to_string(rounds),
                                            RegValue::Dword(1));
            } catch (const ERegistryException& e) {
                failure = e.what();
            }
        }).join();
        try {
            held.WriteValue(RegRoot::CurrentUser, key, "h" + std::to_string(rounds),
                            RegValue::Dword(1));
        } catch (const ERegistryException& e) {
            failure = e.what();
        }
    }
    peerThread.join();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(peer.status, 0) << peer.err;

    std::vector<std::string> missing;
    std::vector<std::string> here, theirs;
    try {
        here = held.ValueNames(RegRoot::CurrentUser, key);
        theirs = held.ValueNames(RegRoot::CurrentUser, "Software\\Peer");
    } catch (const ERegistryException& e) {
        ADD_FAILURE() << e.what();
    }
    for (int i = 0; i < rounds; ++i) {
        for (const std::string& name : {"t" + std::to_string(i), "h" + std::to_string(i)}) {
            if (std::find(here.begin(), here.end(), name) == here.end()) missing.push_back(name);
        }
    }
    for (int i = 0; i < kPeerCycles; ++i) {
        const std::string name = "p" + std::to_string(i);
        if (std::find(theirs.begin(), theirs.end(), name) == theirs.end()) missing.push_back(name);
    }
    EXPECT_TRUE(missing.empty()) << missing.size() << " writes lost, the first "
                                 << (missing.empty() ? "" : missing[0]);
    EXPECT_EQ(test::StoreIntegrity(file), "ok");
}

}  // namespace
}  // namespace tessaly
