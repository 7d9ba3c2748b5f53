// FilterLsp.dll's start-up, clean-up and entry points called directly, as the system's Winsock
// calls them, with the host's upcalls and catalogue.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <ws2spi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "tests/support/LoopbackPeer.h"
#include "tests/support/QuietInstallation.h"
#include "tests/support/ScopedCatalog.h"
#include "win/ProcessHandles.h"
#include "wsock/host/HostExtensions.h"

namespace {

int g_nHandlesCreated = 0;

SOCKET WSPAPI CountingCreateSocketHandle(DWORD dwEntry, DWORD_PTR dwContext, LPINT lpErrno) {
    ++g_nHandlesCreated;
    return WshUpcallTable()->lpWPUCreateSocketHandle(dwEntry, dwContext, lpErrno);
}

class FrameDirect : public ::testing::Test {
protected:
    explicit FrameDirect(CScopedCatalog::Layer layer = CScopedCatalog::Layer::kChains,
                         const std::wstring& basePath = ProgramFolder() + L"wsbase.dll")
        : m_catalog(layer, basePath) {}

    void SetUp() override {
        m_frame.Reset(WshLoadProvider((ProgramFolder() + L"FilterLsp.dll").c_str()));
        ASSERT_TRUE(m_frame);
        m_pfnStartup = reinterpret_cast<LPWSPSTARTUP>(
            reinterpret_cast<void*>(::GetProcAddress(m_frame.Get(), "WSPStartup")));
        ASSERT_NE(m_pfnStartup, nullptr);
        const std::vector<WSAPROTOCOL_INFOW> records = EnumCatalog();
        ASSERT_FALSE(records.empty());
        m_record = records.front();
    }

    int Start(const WSPUPCALLTABLE& upcalls = *WshUpcallTable()) {
        return m_pfnStartup(MAKEWORD(2, 2), &m_data, &m_record, upcalls, &m_table);
    }
    SOCKET Socket(int af, int type, int protocol, int* pError) {
        return m_table.lpWSPSocket(af, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED, pError);
    }
    WSAPROTOCOL_INFOW ProtocolOf(SOCKET s) {
        WSAPROTOCOL_INFOW info{};
        int len = sizeof info;
        int iError = 0;
        m_table.lpWSPGetSockOpt(s, SOL_SOCKET, SO_PROTOCOL_INFOW, reinterpret_cast<char*>(&info),
                                &len, &iError);
        return info;
    }

    CQuietInstallation m_log;
    CScopedCatalog m_catalog;
    CModule m_frame;
    LPWSPSTARTUP m_pfnStartup = nullptr;
    WSAPROTOCOL_INFOW m_record{};
    WSPDATA m_data{};
    WSPPROC_TABLE m_table{};
};

class FrameWithoutChains : public FrameDirect {
protected:
    FrameWithoutChains() : FrameDirect(CScopedCatalog::Layer::kLayerOnly) {}
};

// The next provider's path as an installer may write it, with an environment variable.
class FrameWithExpandablePath : public FrameDirect {
protected:
    FrameWithExpandablePath()
        : FrameDirect(CScopedCatalog::Layer::kChains, L"%FRAME_TEST_DIR%wsbase.dll") {
        ::SetEnvironmentVariableW(L"FRAME_TEST_DIR", ProgramFolder().c_str());
    }
};

TEST_F(FrameWithExpandablePath, LoadsTheNextProviderThroughTheExpandedPath) {
    ASSERT_EQ(Start(), 0);
    int iError = 0;
    const SOCKET s = Socket(AF_INET, SOCK_STREAM, 0, &iError);
    EXPECT_NE(s, INVALID_SOCKET);
    EXPECT_NE(::GetModuleHandleW(L"wsbase.dll"), nullptr);
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
}

// The frame's log of this program.
std::string FrameLogText(const CQuietInstallation& log) {
    std::ifstream in(log.Folder() + "frame_direct_tests.Log");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A path whose expansion does not fit is loaded as it stands, and then from the Windows folder
// joined with the path's tail.
class FrameWithOverlongPath : public FrameDirect {
protected:
    explicit FrameWithOverlongPath(const wchar_t* szTail = L"\\system32\\frame_test_base.dll")
        : FrameDirect(CScopedCatalog::Layer::kChains, std::wstring(L"%FRAME_LONG%") + szTail) {
        ::SetEnvironmentVariableW(L"FRAME_LONG", std::wstring(300, L'x').c_str());
    }
    static std::filesystem::path SystemCopy() {
        wchar_t szWindows[MAX_PATH];
        ::GetWindowsDirectoryW(szWindows, MAX_PATH);
        return std::filesystem::path(szWindows) / "system32" / "frame_test_base.dll";
    }
};

class FrameWithMissingFallback : public FrameWithOverlongPath {
protected:
    FrameWithMissingFallback() : FrameWithOverlongPath(L"\\system32\\frame_test_missing.dll") {}
};

TEST_F(FrameWithOverlongPath, LoadsTheNextProviderFromTheWindowsFolder) {
    std::filesystem::copy_file(ProgramFolder() + L"wsbase.dll", SystemCopy(),
                               std::filesystem::copy_options::overwrite_existing);
    const int iResult = Start();
    int iError = 0;
    const SOCKET s = Socket(AF_INET, SOCK_STREAM, 0, &iError);
    EXPECT_NE(s, INVALID_SOCKET);
    if (iResult == 0) {
        m_table.lpWSPCleanup(&iError);
    }
    std::error_code ec;
    std::filesystem::remove(SystemCopy(), ec);
    EXPECT_EQ(iResult, 0);
}

TEST_F(FrameWithMissingFallback, FailsWithProviderInitAndLogsThePathTried) {
    EXPECT_EQ(Start(), WSAEPROVIDERFAILEDINIT);
    const std::string text = FrameLogText(m_log);
    EXPECT_THAT(text, ::testing::HasSubstr("LoadLibrary Failed Path="));
    EXPECT_THAT(text, ::testing::HasSubstr("\\system32\\frame_test_missing.dll"));
}

// Chains whose next provider is a DLL that is no provider at all.
class FrameOverNonProvider : public FrameDirect {
protected:
    FrameOverNonProvider() : FrameDirect(CScopedCatalog::Layer::kChains, L"wshost.dll") {}
};

TEST_F(FrameOverNonProvider, FailsWithoutTheStartupExport) {
    EXPECT_EQ(Start(), WSAEPROVIDERFAILEDINIT);
    EXPECT_THAT(FrameLogText(m_log), ::testing::HasSubstr("GetProcAddress failed"));
}

// Chains over a provider that misbehaves at start-up (tests/filter/frame/FakeProvider.cpp).
class FrameOverFakeProvider : public FrameDirect {
protected:
    FrameOverFakeProvider()
        : FrameDirect(CScopedCatalog::Layer::kChains, ProgramFolder() + L"fake_provider.dll") {}
    ~FrameOverFakeProvider() override { ::SetEnvironmentVariableA("FAKE_PROVIDER_MODE", nullptr); }
};

TEST_F(FrameOverFakeProvider, AnIncompleteTableFailsTheStartup) {
    ::SetEnvironmentVariableA("FAKE_PROVIDER_MODE", "holes");
    EXPECT_EQ(Start(), WSAEPROVIDERFAILEDINIT);
    EXPECT_THAT(
        FrameLogText(m_log),
        ::testing::HasSubstr("Provider 'Stand-in Tcpip [TCP/IP]' returned bad proc table!"));
}

TEST_F(FrameOverFakeProvider, ANextProvidersFailureIsTheResultButStartupCompletes) {
    ::SetEnvironmentVariableA("FAKE_PROVIDER_MODE", "fail");
    EXPECT_EQ(Start(), WSAENETDOWN);
    const std::string text = FrameLogText(m_log);
    EXPECT_THAT(text,
                ::testing::HasSubstr("Stand-in Tcpip [UDP/IPv6]->WSPStartup() failed: 10050"));
    EXPECT_THAT(text, ::testing::HasSubstr("WSPStartUp Failed Return=10050"));
    // It still counts as a start-up: the table is the frame's, and clean-up matches it.
    EXPECT_NE(m_table.lpWSPSocket, nullptr);
    int iError = 0;
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
}

// Chains over a provider whose overlapped send-to returns late (tests/filter/frame/
// LateProvider.cpp).
class FrameOverLateProvider : public FrameDirect {
protected:
    FrameOverLateProvider()
        : FrameDirect(CScopedCatalog::Layer::kChains, ProgramFolder() + L"late_provider.dll") {}

    template <class Fn>
    Fn* LateControl(const char* szName) {
        return reinterpret_cast<Fn*>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"late_provider.dll"), szName)));
    }
    // Polls pfnDone, for at most a few seconds.
    static bool Eventually(BOOL (*pfnDone)()) {
        const ULONGLONG uEnd = ::GetTickCount64() + 10000;
        while (!pfnDone() && ::GetTickCount64() < uEnd) {
            ::Sleep(1);
        }
        return pfnDone() != FALSE;
    }
};

// A provider's call may return after a manager thread has completed its request and the pool
// has handed the record to the next request. What that late call writes as it returns must not
// become the next request's outcome: here a failure at once, which no completion follows and
// which the application must still hear of.
TEST_F(FrameOverLateProvider, AFailureAtOnceSurvivesTheRecordsPreviousCallReturningLate) {
    ASSERT_EQ(Start(), 0);
    auto* pfnArm = LateControl<void()>("LateProviderArm");
    auto* pfnReleased = LateControl<BOOL()>("LateProviderRecordReleased");
    auto* pfnMatched = LateControl<BOOL()>("LateProviderMatched");
    ASSERT_TRUE(pfnArm != nullptr && pfnReleased != nullptr && pfnMatched != nullptr);
    int iError = 0;
    const SOCKET sA = Socket(AF_INET, SOCK_DGRAM, 0, &iError);
    const SOCKET sB = Socket(AF_INET, SOCK_DGRAM, 0, &iError);
    ASSERT_NE(sA, INVALID_SOCKET);
    ASSERT_NE(sB, INVALID_SOCKET);
    const CUniqueHandle<CKernelHandleTraits> eventA(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const CUniqueHandle<CKernelHandleTraits> eventB(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const sockaddr_in to = LoopbackAddress(9);
    char data[] = "late";
    WSABUF buffer = {sizeof data, data};

    pfnArm();
    WSAOVERLAPPED ovA{};
    ovA.hEvent = eventA.Get();
    int iResultA = 0;
    int iErrorA = 0;
    std::thread late([&] {
        DWORD dwSent = 0;
        iResultA =
            m_table.lpWSPSendTo(sA, &buffer, 1, &dwSent, 0, reinterpret_cast<const sockaddr*>(&to),
                                sizeof to, &ovA, nullptr, nullptr, &iErrorA);
    });
    // A completed and its record is back in the pool while A's call has not returned.
    const bool bReleased =
        ::WaitForSingleObject(eventA.Get(), 10000) == WAIT_OBJECT_0 && Eventually(pfnReleased);
    WSAOVERLAPPED ovB{};
    ovB.hEvent = eventB.Get();
    DWORD dwSent = 0;
    int iErrorB = 0;
    const int iResultB = bReleased
                             ? m_table.lpWSPSendTo(sB, &buffer, 1, &dwSent, 0,
                                                   reinterpret_cast<const sockaddr*>(&to),
                                                   sizeof to, &ovB, nullptr, nullptr, &iErrorB)
                             : 0;
    late.join();
    ASSERT_TRUE(bReleased);
    ASSERT_TRUE(pfnMatched()) << "B did not get A's record";
    EXPECT_EQ(iResultA, SOCKET_ERROR);
    EXPECT_EQ(iErrorA, WSA_IO_PENDING);
    // B failed at once, and says so; its request is finished with the error.
    EXPECT_EQ(iResultB, SOCKET_ERROR);
    EXPECT_EQ(iErrorB, WSAENETUNREACH);
    EXPECT_EQ(ovB.Offset, static_cast<DWORD>(WSAENETUNREACH));
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
}

TEST_F(FrameWithoutChains, StartsButRefusesEverySocketRequest) {
    ASSERT_EQ(Start(), 0);
    int iError = 0;
    EXPECT_EQ(Socket(AF_INET, SOCK_STREAM, 0, &iError), INVALID_SOCKET);
    EXPECT_EQ(iError, WSAEAFNOSUPPORT);
    EXPECT_EQ(Socket(0, SOCK_DGRAM, 0, &iError), INVALID_SOCKET);
    EXPECT_EQ(iError, WSAEAFNOSUPPORT);
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
}

TEST_F(FrameDirect, RepeatedStartupHandsBackTheSavedTableAndTakesTheNewUpcalls) {
    ASSERT_EQ(Start(), 0);
    const WSPPROC_TABLE first = m_table;
    const WSPDATA firstData = m_data;
    EXPECT_EQ(firstData.wVersion, MAKEWORD(2, 2));

    WSPUPCALLTABLE counting = *WshUpcallTable();
    counting.lpWPUCreateSocketHandle = CountingCreateSocketHandle;
    std::memset(&m_table, 0, sizeof m_table);
    std::memset(&m_data, 0, sizeof m_data);
    ASSERT_EQ(Start(counting), 0);
    EXPECT_EQ(std::memcmp(&m_table, &first, sizeof first), 0);
    EXPECT_EQ(std::memcmp(&m_data, &firstData, sizeof firstData), 0);

    g_nHandlesCreated = 0;
    int iError = 0;
    const SOCKET s = Socket(AF_INET, SOCK_STREAM, IPPROTO_TCP, &iError);
    ASSERT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(g_nHandlesCreated, 1);
    EXPECT_EQ(m_table.lpWSPCloseSocket(s, &iError), 0);

    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), SOCKET_ERROR);
    EXPECT_EQ(iError, WSANOTINITIALISED);

    // Torn down, then built again by the next start-up.
    ASSERT_EQ(Start(), 0);
    const SOCKET again = Socket(AF_INET, SOCK_DGRAM, 0, &iError);
    EXPECT_NE(again, INVALID_SOCKET);
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
}

TEST_F(FrameDirect, ChainChoiceFollowsFamilyTypeAndProtocol) {
    ASSERT_EQ(Start(), 0);
    int iError = 0;
    const SOCKET sStream = Socket(0, SOCK_STREAM, 0, &iError);
    ASSERT_NE(sStream, INVALID_SOCKET);
    EXPECT_EQ(ProtocolOf(sStream).iProtocol, IPPROTO_TCP);
    EXPECT_EQ(ProtocolOf(sStream).iAddressFamily, AF_INET);
    const SOCKET sUdp6 = Socket(AF_INET6, SOCK_DGRAM, IPPROTO_UDP, &iError);
    ASSERT_NE(sUdp6, INVALID_SOCKET);
    EXPECT_EQ(ProtocolOf(sUdp6).iAddressFamily, AF_INET6);

    EXPECT_EQ(Socket(0, SOCK_STREAM, IPPROTO_UDP, &iError), INVALID_SOCKET);
    EXPECT_EQ(iError, WSAEPROTOTYPE);
    EXPECT_EQ(Socket(AF_INET, SOCK_STREAM, 254, &iError), INVALID_SOCKET);
    EXPECT_EQ(iError, WSAEPROTONOSUPPORT);
    EXPECT_EQ(Socket(AF_INET, SOCK_SEQPACKET, 0, &iError), INVALID_SOCKET);
    EXPECT_EQ(iError, WSAESOCKTNOSUPPORT);
    EXPECT_EQ(Socket(AF_IPX, SOCK_STREAM, 0, &iError), INVALID_SOCKET);
    EXPECT_EQ(iError, WSAEAFNOSUPPORT);
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
}

TEST_F(FrameDirect, HandlesWithoutARecordFailWithNotSock) {
    ASSERT_EQ(Start(), 0);
    const auto sBogus = static_cast<SOCKET>(0x7ff0);
    int iError = 0;
    const sockaddr_in addr = LoopbackAddress(0);
    EXPECT_EQ(
        m_table.lpWSPBind(sBogus, reinterpret_cast<const sockaddr*>(&addr), sizeof addr, &iError),
        SOCKET_ERROR);
    EXPECT_EQ(iError, WSAENOTSOCK);
    iError = 0;
    EXPECT_EQ(m_table.lpWSPCloseSocket(sBogus, &iError), SOCKET_ERROR);
    EXPECT_EQ(iError, WSAENOTSOCK);
    iError = 0;
    EXPECT_EQ(m_table.lpWSPAccept(sBogus, nullptr, nullptr, nullptr, 0, &iError), INVALID_SOCKET);
    EXPECT_EQ(iError, WSAENOTSOCK);

    // No call in progress on this thread: nothing to cancel.
    EXPECT_EQ(m_table.lpWSPCancelBlockingCall(&iError), 0);
    fd_set empty;
    FD_ZERO(&empty);
    EXPECT_EQ(m_table.lpWSPSelect(0, &empty, nullptr, nullptr, nullptr, &iError), SOCKET_ERROR);
    EXPECT_EQ(iError, WSAEINVAL);
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
}

TEST_F(FrameDirect, TargetHandleIsTheNextProvidersSocket) {
    ASSERT_EQ(Start(), 0);
    int iError = 0;
    const SOCKET s = Socket(AF_INET, SOCK_STREAM, 0, &iError);
    const sockaddr_in addr = LoopbackAddress(0);
    ASSERT_EQ(m_table.lpWSPBind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr, &iError),
              0);
    SOCKET sTarget = INVALID_SOCKET;
    DWORD dwBytes = 0;
    ASSERT_EQ(m_table.lpWSPIoctl(s, SIO_QUERY_TARGET_PNP_HANDLE, nullptr, 0, &sTarget,
                                 sizeof sTarget, &dwBytes, nullptr, nullptr, nullptr, &iError),
              0);

    // Ask the base provider itself about that socket: it is bound where ours is.
    CModule base(::LoadLibraryW((ProgramFolder() + L"wsbase.dll").c_str()));
    auto pfnBase = reinterpret_cast<LPWSPSTARTUP>(
        reinterpret_cast<void*>(::GetProcAddress(base.Get(), "WSPStartup")));
    WSPDATA data{};
    WSPPROC_TABLE baseTable{};
    WSAPROTOCOL_INFOW record = EnumCatalog().back();
    ASSERT_EQ(pfnBase(MAKEWORD(2, 2), &data, &record, *WshUpcallTable(), &baseTable), 0);
    sockaddr_in ours{};
    sockaddr_in theirs{};
    int len = sizeof ours;
    ASSERT_EQ(m_table.lpWSPGetSockName(s, reinterpret_cast<sockaddr*>(&ours), &len, &iError), 0);
    len = sizeof theirs;
    ASSERT_EQ(
        baseTable.lpWSPGetSockName(sTarget, reinterpret_cast<sockaddr*>(&theirs), &len, &iError),
        0);
    EXPECT_EQ(theirs.sin_port, ours.sin_port);
    baseTable.lpWSPCleanup(&iError);
    EXPECT_EQ(m_table.lpWSPCleanup(&iError), 0);
}

TEST_F(FrameDirect, UnloadingWithOpenSocketsClosesTheirHandles) {
    ASSERT_EQ(Start(), 0);
    int iError = 0;
    const SOCKET s = Socket(AF_INET, SOCK_STREAM, 0, &iError);
    ASSERT_NE(s, INVALID_SOCKET);
    DWORD_PTR context = 0;
    ASSERT_EQ(WshUpcallTable()->lpWPUQuerySocketHandleContext(s, &context, &iError), 0);
    m_frame.Reset();
    EXPECT_EQ(WshUpcallTable()->lpWPUQuerySocketHandleContext(s, &context, &iError), SOCKET_ERROR);
    EXPECT_EQ(iError, WSAENOTSOCK);
}

}  // namespace

namespace {

// Runs frame_detach_child.exe with szArgs; its exit code, or 0xFFFFFFFF when it did not end.
DWORD RunDetachChild(const wchar_t* szArgs) {
    std::wstring command = L"\"" + ProgramFolder() + L"frame_detach_child.exe\" " + szArgs;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi)) {
        return 0xFFFFFFFF;
    }
    const CProcessHandles handles = OwnProcessHandles(pi);
    const HANDLE hProcess = handles.process.Get();
    DWORD dwExit = 0xFFFFFFFF;
    if (::WaitForSingleObject(hProcess, 20000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(hProcess, &dwExit);
    } else {
        ::TerminateProcess(hProcess, 1);
    }
    return dwExit;
}

TEST(FrameProcessDetach, EndsCleanlyWithOpenSockets) {
    const CQuietInstallation log;
    const CScopedCatalog catalog(CScopedCatalog::Layer::kChains);
    EXPECT_EQ(RunDetachChild(L""), 7u);
    // The layer was really loaded there: its attach names the program in its log.
    std::ifstream in(log.Folder() + "frame_detach_child.Log");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_THAT(text, ::testing::HasSubstr("Application Name is frame_detach_child.exe"));
}

// At process termination the next providers may already have detached: the layer's detach
// calls none of them (no socket reset, no WSPCleanup, no unload).
TEST(FrameProcessDetach, CallsNoNextProviderWhenTheProcessEnds) {
    const CQuietInstallation log;
    const CScopedCatalog catalog(CScopedCatalog::Layer::kChains,
                                 ProgramFolder() + L"fake_provider.dll");
    const CHandle cleanup(::CreateEventA(nullptr, TRUE, FALSE, "pc_fake_provider_cleanup"));
    ::SetEnvironmentVariableA("FAKE_PROVIDER_MODE", "watch");
    const DWORD dwExit = RunDetachChild(L"start-only");
    ::SetEnvironmentVariableA("FAKE_PROVIDER_MODE", nullptr);
    EXPECT_EQ(dwExit, 7u);
    EXPECT_EQ(::WaitForSingleObject(cleanup.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
