// A program a test starts and waits for.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "win/ProcessHandles.h"
#include "win/UniqueHandle.h"

class CChildProcess {
public:
    // strProgram: a path; strArgs: the rest of the command line, as it stands.
    CChildProcess(const std::string& strProgram, const std::string& strArgs) {
        std::string strCommand = "\"" + strProgram + "\" " + strArgs;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (::CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &si, &pi)) {
            m_process = std::move(OwnProcessHandles(pi).process);
        }
    }

    bool Started() const { return static_cast<bool>(m_process); }
    HANDLE Handle() const { return m_process.Get(); }

    // The exit code once the program has ended; 0xFFFFFFFF when it did not start or end
    // within the wait.
    DWORD Wait(DWORD dwMilliseconds = 120000) const {
        DWORD dwCode = 0xFFFFFFFF;
        if (m_process && ::WaitForSingleObject(m_process.Get(), dwMilliseconds) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(m_process.Get(), &dwCode);
        }
        return dwCode;
    }

    // A program in the folder of the running one.
    static std::string Beside(const char* szName) {
        char szPath[MAX_PATH];
        ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
        return (std::filesystem::path(szPath).parent_path() / szName).string();
    }

private:
    CHandle m_process;
};

// A program whose standard output the test reads whole, through a pipe of its own: the bytes
// exactly as the program's C runtime wrote them.
class CPipedChild {
public:
    CPipedChild(const std::string& strProgram, const std::string& strArgs) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE hRead = nullptr;
        HANDLE hWrite = nullptr;
        // Room for all the tests make programs say: the program never waits on a full pipe.
        if (!::CreatePipe(&hRead, &hWrite, &inherit, 65536)) {
            return;
        }
        m_read.Reset(hRead);
        const CHandle write(hWrite);
        ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
        std::string strCommand = "\"" + strProgram + "\" " + strArgs;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = hWrite;
        si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION pi = {};
        if (::CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             nullptr, &si, &pi)) {
            m_process = std::move(OwnProcessHandles(pi).process);
        }
        // Only the child holds the writing end now: its end is the pipe's end.
    }

    // What the program wrote, once it ended; a program still running after the wait is ended,
    // and what it wrote until then is returned.
    std::string Output(DWORD dwMilliseconds = 60000) {
        if (!m_process) {
            return "(not started)";
        }
        if (::WaitForSingleObject(m_process.Get(), dwMilliseconds) != WAIT_OBJECT_0) {
            ::TerminateProcess(m_process.Get(), 1);
        }
        std::string output;
        char buffer[4096];
        DWORD dwRead = 0;
        while (::ReadFile(m_read.Get(), buffer, sizeof buffer, &dwRead, nullptr) && dwRead > 0) {
            output.append(buffer, dwRead);
        }
        return output;
    }

private:
    CHandle m_read;
    CHandle m_process;
};

// The lines a child program wrote to a file, without their line ends (LF or CR LF).
inline std::vector<std::string> ReadLines(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}
