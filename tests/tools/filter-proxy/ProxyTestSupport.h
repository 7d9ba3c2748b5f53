// What the filtering proxy's tests run beside it: the proxy itself as a child process (its
// standard output in a file, stopped by closing its standard input), and native peers and
// clients (tests/tools/filter-proxy/proxy_peers.py) that report through files.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempPath.h"
#include "tests/support/UnixProgram.h"
#include "win/ProcessHandles.h"
#include "win/UniqueHandle.h"

// Only a guard against a hang: every wait ends on a file or an exit long before.
inline constexpr DWORD kProxyGuardMs = 120000;

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Files in /tmp that a native program writes and the test reads, removed at the end.
class CUnixFiles {
public:
    CUnixFiles() = default;
    CUnixFiles(const CUnixFiles&) = delete;
    CUnixFiles& operator=(const CUnixFiles&) = delete;
    ~CUnixFiles() {
        for (const std::string& path : m_paths) {
            for (const char* szSuffix : {"", ".out", ".tmp", ".out.tmp"}) {
                ::DeleteFileA(WindowsPath(path + szSuffix).c_str());
            }
        }
    }

    // A fresh Unix path.
    std::string New(const std::string& tag) {
        static std::atomic<int> s_nNext{0};
        m_paths.push_back("/tmp/pc-proxy-" + std::to_string(::GetCurrentProcessId()) + "-" +
                          std::to_string(s_nNext++) + "-" + tag);
        return m_paths.back();
    }

    static std::string WindowsPath(const std::string& unixPath) {
        std::string path = "Z:" + unixPath;
        for (char& c : path) {
            c = c == '/' ? '\\' : c;
        }
        return path;
    }
    // The file's bytes once it exists (written whole, by renaming); empty after the guard.
    static std::optional<std::string> Await(const std::string& unixPath) {
        const std::string path = WindowsPath(unixPath);
        for (ULONGLONG uEnd = ::GetTickCount64() + kProxyGuardMs; ::GetTickCount64() < uEnd;) {
            if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
                return ReadWholeFile(path);
            }
            ::Sleep(20);
        }
        return std::nullopt;
    }
    static void Touch(const std::string& unixPath) {
        std::ofstream(WindowsPath(unixPath)) << "stop";
    }

private:
    std::vector<std::string> m_paths;
};

// proxy_peers.py with the given arguments (Unix paths and plain words, no quotes needed).
inline bool StartPeers(const std::string& args) {
    const std::string command = "Z:\\usr\\bin\\python3 " PROXY_PEERS_SCRIPT " " + args;
    return StartUnixProgram(std::wstring(command.begin(), command.end()));
}

// A native server from proxy_peers.py ("web" or "tls ..."), stopped when it goes.
class CNativeServer {
public:
    CNativeServer(CUnixFiles& files, const std::string& kind, const std::string& extra = "")
        : m_portFile(files.New("port")), m_stopFile(files.New("stop")) {
        const std::string words = kind.substr(0, kind.find(' '));
        if (StartPeers(words + " " + m_portFile + " " + m_stopFile + " " + extra)) {
            const auto port = CUnixFiles::Await(m_portFile);
            m_uPort = port && !port->empty() ? static_cast<u_short>(std::stoi(*port)) : 0;
        }
    }
    CNativeServer(const CNativeServer&) = delete;
    CNativeServer& operator=(const CNativeServer&) = delete;
    ~CNativeServer() { Stop(); }

    u_short Port() const { return m_uPort; }
    // Returns once the server has seen the stop file (it removes it), so that it is gone or
    // going: a test's native programs hold its output open until they end.
    void Stop() {
        if (m_bStopped || m_uPort == 0) {
            return;
        }
        m_bStopped = true;
        CUnixFiles::Touch(m_stopFile);
        const std::string path = CUnixFiles::WindowsPath(m_stopFile);
        for (ULONGLONG uEnd = ::GetTickCount64() + kProxyGuardMs;
             ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
             ::GetTickCount64() < uEnd;) {
            ::Sleep(20);
        }
    }

private:
    std::string m_portFile;
    std::string m_stopFile;
    u_short m_uPort = 0;
    bool m_bStopped = false;
};

// What a native program run through proxy_peers.py "run" did.
struct CRunResult {
    int iExit = -1;
    std::string stderrText;
    std::string stdoutBytes;
};

inline CRunResult RunNative(CUnixFiles& files, const std::string& commandLine) {
    const std::string result = files.New("run");
    CRunResult run;
    if (!StartPeers("run " + result + " " + commandLine)) {
        return run;
    }
    const auto text = CUnixFiles::Await(result);
    if (text) {
        const std::size_t nl = text->find('\n');
        run.iExit = std::stoi(text->substr(0, nl));
        run.stderrText = text->substr(nl + 1);
        run.stdoutBytes = ReadWholeFile(CUnixFiles::WindowsPath(result + ".out"));
    }
    return run;
}

// filter-proxy.exe beside the test, with --hosts, --until-stdin-closes and the given options.
class CProxyProcess {
public:
    CProxyProcess(const std::string& hostsFile, const std::string& options) : m_log("proxy-log") {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE hRead = nullptr;
        HANDLE hWrite = nullptr;
        if (!::CreatePipe(&hRead, &hWrite, &inherit, 0)) {
            return;
        }
        const CHandle read(hRead);
        m_input.Reset(hWrite);
        // The proxy must not hold the writing end itself, or it would never see the end.
        ::SetHandleInformation(hWrite, HANDLE_FLAG_INHERIT, 0);
        const CFileHandle output(::CreateFileA(m_log.String().c_str(), GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = read.Get();
        si.hStdOutput = output.Get();
        si.hStdError = output.Get();
        std::string command = "\"" + CChildProcess::Beside("filter-proxy.exe") + "\" --hosts \"" +
                              hostsFile + "\" --until-stdin-closes " + options;
        PROCESS_INFORMATION pi{};
        if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &si, &pi)) {
            m_process = std::move(OwnProcessHandles(pi).process);
        }
        m_uPort = AwaitPort();
    }
    CProxyProcess(const CProxyProcess&) = delete;
    CProxyProcess& operator=(const CProxyProcess&) = delete;
    ~CProxyProcess() {
        if (Stop() == STILL_ACTIVE) {
            ::TerminateProcess(m_process.Get(), 99);
        }
    }

    u_short Port() const { return m_uPort; }
    std::string Log() const { return ReadWholeFile(m_log.String()); }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_uPort); }

    // The proxy's working set in bytes.
    SIZE_T WorkingSet() const {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        ::GetProcessMemoryInfo(m_process.Get(),
                               reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof counters);
        return counters.WorkingSetSize;
    }

    // Ends its standard input; the exit code once it has gone (STILL_ACTIVE if it did not).
    DWORD Stop() {
        m_input.Reset();
        DWORD dwCode = STILL_ACTIVE;
        if (m_process && ::WaitForSingleObject(m_process.Get(), kProxyGuardMs) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(m_process.Get(), &dwCode);
        }
        return dwCode;
    }

private:
    u_short AwaitPort() const {
        constexpr char kListening[] = "filter-proxy: listening on 127.0.0.1:";
        for (ULONGLONG uEnd = ::GetTickCount64() + kProxyGuardMs;
             m_process && ::GetTickCount64() < uEnd;) {
            const std::string log = Log();
            const std::size_t at = log.find(kListening);
            if (at != std::string::npos && log.find('\n', at) != std::string::npos) {
                return static_cast<u_short>(std::stoi(log.substr(at + sizeof kListening - 1)));
            }
            if (::WaitForSingleObject(m_process.Get(), 20) == WAIT_OBJECT_0) {
                return 0;
            }
        }
        return 0;
    }

    CTempPath m_log;
    CHandle m_input;
    CHandle m_process;
    u_short m_uPort = 0;
};
