// wsrun: runs an unmodified program with its Winsock calls served by the stand-in host, as the
// system's Winsock serves every program on Windows.
//   wsrun PROGRAM [ARGUMENTS...]
// The program starts suspended; a thread of the launcher's making loads wshost.dll into it (the
// first thread to run in a new process also completes the process's loading, so its imports
// are bound by then) and a second one runs WshAttachProgram there, which points the program's
// ws2_32 imports (by name and by ordinal) and its CreateIoCompletionPort at the host. Then the
// program's own thread starts. wsrun exits with the program's exit code, or 125 when it could
// not start it so.
#include <winsock2.h>
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "win/ProcessHandles.h"
#include "win/ProgramFolder.h"
#include "win/UniqueHandle.h"

namespace {

constexpr int kCannotStart = 125;
// A guard against a program that hangs while it loads; loading takes well under a second.
constexpr DWORD kLoadGuardMs = 60000;

// Memory in another process, freed with it.
class CRemoteMemory {
public:
    CRemoteMemory(HANDLE hProcess, const void* pData, SIZE_T cb)
        : m_hProcess(hProcess),
          m_pAddress(
              ::VirtualAllocEx(hProcess, nullptr, cb, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
        if (m_pAddress != nullptr &&
            !::WriteProcessMemory(hProcess, m_pAddress, pData, cb, nullptr)) {
            ::VirtualFreeEx(m_hProcess, m_pAddress, 0, MEM_RELEASE);
            m_pAddress = nullptr;
        }
    }
    CRemoteMemory(const CRemoteMemory&) = delete;
    CRemoteMemory& operator=(const CRemoteMemory&) = delete;
    ~CRemoteMemory() {
        if (m_pAddress != nullptr) {
            ::VirtualFreeEx(m_hProcess, m_pAddress, 0, MEM_RELEASE);
        }
    }
    void* Address() const { return m_pAddress; }

private:
    HANDLE m_hProcess;
    void* m_pAddress;
};

// Runs pStart(pArgument) on a thread of the process; its exit code, or nothing on failure.
bool RunRemote(HANDLE hProcess, const void* pStart, void* pArgument, DWORD* pdwExitCode) {
    const CHandle thread(::CreateRemoteThread(
        hProcess, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(const_cast<void*>(pStart)),
        pArgument, 0, nullptr));
    return thread && ::WaitForSingleObject(thread.Get(), kLoadGuardMs) == WAIT_OBJECT_0 &&
           ::GetExitCodeThread(thread.Get(), pdwExitCode) != 0;
}

// Where the process loaded a module, by file name; null when it has not.
BYTE* RemoteModuleBase(DWORD dwProcessId, const wchar_t* szName) {
    const CFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, dwProcessId));
    if (!snapshot) {
        return nullptr;
    }
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL bMore = ::Module32FirstW(snapshot.Get(), &entry); bMore;
         bMore = ::Module32NextW(snapshot.Get(), &entry)) {
        if (_wcsicmp(entry.szModule, szName) == 0) {
            return entry.modBaseAddr;
        }
    }
    return nullptr;
}

// An address of this process's module hLocal at the same place in the other process's copy.
const void* InOtherProcess(HMODULE hLocal, const void* pLocal, BYTE* pRemoteBase) {
    return pRemoteBase + (static_cast<const BYTE*>(pLocal) - reinterpret_cast<BYTE*>(hLocal));
}

// The program's command line: this one's, less its first word.
std::wstring ProgramCommandLine() {
    const wchar_t* p = ::GetCommandLineW();
    if (*p == L'"') {
        p = std::wcschr(p + 1, L'"');
        p = p != nullptr ? p + 1 : L"";
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t') {
            ++p;
        }
    }
    while (*p == L' ' || *p == L'\t') {
        ++p;
    }
    return p;
}

// Loads the host into the suspended process and points the program at it.
bool AttachHost(const PROCESS_INFORMATION& process) {
    const std::wstring hostPath = ProgramFolder() + L"wshost.dll";
    const CRemoteMemory path(process.hProcess, hostPath.c_str(),
                             (hostPath.size() + 1) * sizeof(wchar_t));
    // kernel32 lies at one address in every process of the system.
    const HMODULE hKernel = ::GetModuleHandleW(L"kernel32.dll");
    const void* pLoadLibrary =
        reinterpret_cast<const void*>(::GetProcAddress(hKernel, "LoadLibraryW"));
    DWORD dwLoaded = 0;
    if (path.Address() == nullptr ||
        !RunRemote(process.hProcess, pLoadLibrary, path.Address(), &dwLoaded) || dwLoaded == 0) {
        std::fwprintf(stderr, L"wsrun: the program could not load %ls\n", hostPath.c_str());
        return false;
    }
    BYTE* pRemoteHost = RemoteModuleBase(process.dwProcessId, L"wshost.dll");
    // The launcher's own copy, to find the export's place in the module.
    const CModule host(::LoadLibraryW(hostPath.c_str()));
    const void* pAttach =
        host ? reinterpret_cast<const void*>(::GetProcAddress(host.Get(), "WshAttachProgram"))
             : nullptr;
    DWORD dwPatched = 0;
    if (pRemoteHost == nullptr || pAttach == nullptr ||
        !RunRemote(process.hProcess, InOtherProcess(host.Get(), pAttach, pRemoteHost), nullptr,
                   &dwPatched)) {
        std::fwprintf(stderr, L"wsrun: the program's imports could not be redirected (%ls)\n",
                      pRemoteHost == nullptr ? L"no wshost.dll in its modules" : L"no thread");
        return false;
    }
    if (dwPatched == 0) {
        std::fwprintf(stderr, L"wsrun: the program imports nothing from ws2_32\n");
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t**) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: wsrun PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    std::wstring commandLine = ProgramCommandLine();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                          nullptr, nullptr, &startup, &info)) {
        std::fwprintf(stderr, L"wsrun: cannot start %ls: error %lu\n", commandLine.c_str(),
                      ::GetLastError());
        return kCannotStart;
    }
    const CProcessHandles handles = OwnProcessHandles(info);
    if (!AttachHost(info)) {
        ::TerminateProcess(handles.process.Get(), kCannotStart);
        return kCannotStart;
    }
    ::ResumeThread(handles.thread.Get());
    ::WaitForSingleObject(handles.process.Get(), INFINITE);
    DWORD dwExitCode = kCannotStart;
    ::GetExitCodeProcess(handles.process.Get(), &dwExitCode);
    return static_cast<int>(dwExitCode);
}
