// The shared block across processes that load the real PolicyApi.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Api/DataStore.h"
#include "Api/SharedState.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreshInstallation.h"
#include "win/UniqueHandle.h"

namespace {

// api_child.exe with an output file and its commands.
class CChild : public CChildProcess {
public:
    CChild(const std::string& strOutput, const std::string& strCommands)
        : CChildProcess(Beside("api_child.exe"), "\"" + strOutput + "\" " + strCommands) {}
};

// The library's block opened by its name, as any program of the session can.
class CNamedState {
public:
    CNamedState()
        : m_mapping(::OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, kPolicyStateName)),
          m_view(m_mapping ? ::MapViewOfFile(m_mapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0,
                                             sizeof(PolicySharedState))
                           : nullptr) {}
    PolicySharedState* operator->() const { return static_cast<PolicySharedState*>(m_view.Get()); }
    explicit operator bool() const { return static_cast<bool>(m_view); }

private:
    CHandle m_mapping;
    CMappedView m_view;
};

// A block under the library's name in another layout, as an older or newer version of the
// library would leave it: a login and a switch that the library must not take for its own.
class CForeignState {
public:
    CForeignState(std::uint32_t uVersion, std::uint32_t uSize, DWORD cbMapping)
        : m_mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         cbMapping, kPolicyStateName)),
          m_view(::MapViewOfFile(m_mapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0)),
          m_cbMapping(cbMapping) {
        auto* pBytes = static_cast<unsigned char*>(m_view.Get());
        const SharedLayoutHeader header{kSharedLayoutMagic, uVersion, uSize, 0};
        std::memcpy(pBytes, &header, sizeof header);
        const std::int32_t iOff = 1;
        std::memcpy(pBytes + offsetof(PolicySharedState, iFilterOff), &iOff, sizeof iOff);
        std::memcpy(pBytes + offsetof(PolicySharedState, szLoggedInUser), "intruder", 9);
        m_before.assign(pBytes, pBytes + cbMapping);
    }
    bool Unchanged() const { return std::memcmp(m_view.Get(), m_before.data(), m_cbMapping) == 0; }

private:
    CHandle m_mapping;
    CMappedView m_view;
    DWORD m_cbMapping;
    std::vector<unsigned char> m_before;
};

class SharedStateTest : public ::testing::Test {
protected:
    // The children attach to the installation; this process stays out of the shared block.
    CFreshInstallation m_install{"secret", false};
    std::string Output(const char* szName) { return m_install.Folder() + szName; }
    CHandle m_ready{::CreateEventA(nullptr, TRUE, FALSE, "pc_test_ready")};
    CHandle m_go{::CreateEventA(nullptr, TRUE, FALSE, "pc_test_go")};
};

}  // namespace

TEST_F(SharedStateTest, LoginInOneProcessIsSeenByAnotherAndEndsWithTheLast) {
    CChild first(Output("first.txt"),
                 "prove:admin:secret login:kid signal:pc_test_ready wait:pc_test_go instances");
    ASSERT_EQ(::WaitForSingleObject(m_ready.Get(), 60000), WAIT_OBJECT_0);
    CChild second(Output("second.txt"), "user instances");
    EXPECT_EQ(second.Wait(), 0u);
    ::SetEvent(m_go.Get());
    EXPECT_EQ(first.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("second.txt")),
              (std::vector<std::string>{"user kid", "instances 2"}));
    EXPECT_EQ(ReadLines(Output("first.txt")),
              (std::vector<std::string>{"prove admin 1 Sucess", "instances 1"}));

    // With every process gone, a new one sees the initial image again.
    CChild third(Output("third.txt"), "user instances");
    EXPECT_EQ(third.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("third.txt")),
              (std::vector<std::string>{"user Default", "instances 1"}));
}

TEST_F(SharedStateTest, OnlyTheFirstProcessReadsTheFilterSwitch) {
    CChild writer(Output("writer.txt"), "prove:admin:secret setfilteroff:1 filteroff");
    EXPECT_EQ(writer.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("writer.txt")),
              (std::vector<std::string>{"prove admin 1 Sucess", "filteroff 1"}));

    CChild first(Output("first.txt"), "filteroff signal:pc_test_ready wait:pc_test_go");
    ASSERT_EQ(::WaitForSingleObject(m_ready.Get(), 60000), WAIT_OBJECT_0);
    {
        // Switch it back in the file only, behind the library's back.
        CLogFile log(0);
        CDataStore store(&log);
        store.Init("Content");
        ASSERT_EQ(store.WriteString("USER", "Filter", "FALSE"), 1);
    }
    CChild second(Output("second.txt"), "filteroff");
    EXPECT_EQ(second.Wait(), 0u);
    ::SetEvent(m_go.Get());
    EXPECT_EQ(first.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("first.txt")), std::vector<std::string>{"filteroff 1"});
    EXPECT_EQ(ReadLines(Output("second.txt")), std::vector<std::string>{"filteroff 1"});

    CChild fresh(Output("fresh.txt"), "filteroff");
    EXPECT_EQ(fresh.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("fresh.txt")), std::vector<std::string>{"filteroff 0"});
}

TEST_F(SharedStateTest, InternetTimeOutlivesTheSettingsProgram) {
    // Input recorded, a request, input recorded again: whichever minute the request falls in,
    // it has input too, and the last look saves the count.
    CChild program(Output("program.txt"), "input request:Default input timeused:Default");
    EXPECT_EQ(program.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("program.txt")), std::vector<std::string>{"timeused Default 1"});

    // Every process gone: a new settings program reads the count from the settings file.
    CChild restarted(Output("restarted.txt"), "timeused:Default");
    EXPECT_EQ(restarted.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("restarted.txt")), std::vector<std::string>{"timeused Default 1"});
}

TEST_F(SharedStateTest, TheStateIsOneNamedBlockThatEveryProcessOfTheSessionSees) {
    CChild first(Output("first.txt"),
                 "prove:admin:secret login:kid signal:pc_test_ready wait:pc_test_go user");
    ASSERT_EQ(::WaitForSingleObject(m_ready.Get(), 60000), WAIT_OBJECT_0);
    const CNamedState state;
    ASSERT_TRUE(state);
    EXPECT_EQ(state->header.uMagic, kSharedLayoutMagic);
    EXPECT_EQ(state->header.uVersion, PolicySharedState::kLayoutVersion);
    EXPECT_EQ(state->header.uSize, sizeof(PolicySharedState));
    EXPECT_STREQ(state->szLoggedInUser, "kid");
    EXPECT_EQ(state->iInstances, 1);
    EXPECT_EQ(state->iUpdateRequired, 1);

    // Any program of the session may write it too: a logout without the library, which both
    // the waiting process and a new one then see.
    std::strcpy(state->szLoggedInUser, "Default");
    CChild second(Output("second.txt"), "user instances");
    EXPECT_EQ(second.Wait(), 0u);
    ::SetEvent(m_go.Get());
    EXPECT_EQ(first.Wait(), 0u);
    EXPECT_EQ(ReadLines(Output("second.txt")),
              (std::vector<std::string>{"user Default", "instances 2"}));
    EXPECT_EQ(ReadLines(Output("first.txt")),
              (std::vector<std::string>{"prove admin 1 Sucess", "user Default"}));
}

TEST_F(SharedStateTest, ABlockOfAnotherLayoutIsRefusedWithALogLineAndNeverRead) {
    struct Case {
        const char* szWhat;
        std::uint32_t uVersion;
        std::uint32_t uSize;
        DWORD cbMapping;
        const char* szLogged;
    };
    const std::uint32_t uOurs = PolicySharedState::kLayoutVersion;
    const std::uint32_t cbOurs = sizeof(PolicySharedState);
    const std::string strOurs = " of " + std::to_string(cbOurs) + " bytes";
    const std::string strNext = "layout " + std::to_string(uOurs + 1) + strOurs;
    const Case cases[] = {
        {"a later version", uOurs + 1, cbOurs, cbOurs, strNext.c_str()},
        {"a smaller block", uOurs, 64, 64, "layout 1 of 64 bytes"},
        {"a larger block", uOurs, cbOurs + 4096, cbOurs + 4096, "layout 1 of 8272 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szWhat);
        const std::string strOutput = Output("child.txt");
        std::filesystem::remove(strOutput);
        std::filesystem::remove(m_install.ApiLogFile());
        const CForeignState foreign(c.uVersion, c.uSize, c.cbMapping);
        // A login and the switch of the process's own block, not the foreign one's.
        CChild child(strOutput, "user filteroff prove:admin:secret login:kid user");
        EXPECT_EQ(child.Wait(), 0u);
        EXPECT_EQ(ReadLines(strOutput),
                  (std::vector<std::string>{"user Default", "filteroff 0", "prove admin 1 Sucess",
                                            "user kid"}));
        EXPECT_TRUE(foreign.Unchanged());
        EXPECT_EQ(
            m_install.CountInApiLog(std::string("API :: Shared state refused: ") + c.szLogged), 1);
    }
}

TEST_F(SharedStateTest, ProcessesStartingAtOnceMakeOneBlockAndFillItInOnce) {
    // Released together, each maps the block at once; a second filling-in would start the
    // count again, and a second block would count apart. Each counts while all still live.
    constexpr int kChildren = 6;
    const CHandle go(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_race_go"));
    const CHandle end(::CreateEventA(nullptr, TRUE, FALSE, "pc_test_race_end"));
    std::vector<CHandle> mapped;
    std::vector<CHandle> counted;
    std::vector<std::unique_ptr<CChild>> children;
    for (int i = 0; i < kChildren; ++i) {
        const std::string strMapped = "pc_test_race_mapped" + std::to_string(i);
        const std::string strCounted = "pc_test_race_counted" + std::to_string(i);
        mapped.emplace_back(::CreateEventA(nullptr, TRUE, FALSE, strMapped.c_str()));
        counted.emplace_back(::CreateEventA(nullptr, TRUE, FALSE, strCounted.c_str()));
        children.push_back(std::make_unique<CChild>(
            Output(("race" + std::to_string(i) + ".txt").c_str()),
            "wait:pc_test_race_go user signal:" + strMapped +
                " wait:pc_test_go instances signal:" + strCounted + " wait:pc_test_race_end"));
    }
    const auto waitAll = [](const std::vector<CHandle>& events) {
        for (const CHandle& event : events) {
            ASSERT_EQ(::WaitForSingleObject(event.Get(), 60000), WAIT_OBJECT_0);
        }
    };
    ::SetEvent(go.Get());
    waitAll(mapped);
    ::SetEvent(m_go.Get());
    waitAll(counted);
    ::SetEvent(end.Get());
    for (int i = 0; i < kChildren; ++i) {
        EXPECT_EQ(children[static_cast<size_t>(i)]->Wait(), 0u);
        EXPECT_EQ(
            ReadLines(Output(("race" + std::to_string(i) + ".txt").c_str())),
            (std::vector<std::string>{"user Default", "instances " + std::to_string(kChildren)}));
    }
}
