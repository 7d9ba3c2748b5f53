#include "filter/core/StandardOutput.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

namespace {

// What the handle last checked turned out to be: asking costs a kernel call, and the standard
// output handle rarely changes. Keyed by the handle value, so SetStdHandle is noticed.
SRWLOCK g_checkedLock = SRWLOCK_INIT;
HANDLE g_hChecked = nullptr;
bool g_bCheckedUsable = false;

bool Usable(HANDLE hOutput) {
    if (hOutput == nullptr || hOutput == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::AcquireSRWLockExclusive(&g_checkedLock);
    if (g_hChecked != hOutput) {
        const DWORD dwType = ::GetFileType(hOutput);
        g_bCheckedUsable =
            dwType == FILE_TYPE_CHAR || dwType == FILE_TYPE_DISK || dwType == FILE_TYPE_PIPE;
        g_hChecked = hOutput;
    }
    const bool bUsable = g_bCheckedUsable;
    ::ReleaseSRWLockExclusive(&g_checkedLock);
    return bUsable;
}

}  // namespace

bool WriteStandardOutput(std::string_view text) noexcept {
    const HANDLE hOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (text.empty() || !Usable(hOutput)) {
        return false;
    }
    try {
        std::string strOut;
        strOut.reserve(text.size() + text.size() / 16 + 8);
        for (const char c : text) {
            if (c == '\n') {
                strOut += '\r';
            }
            strOut += c;
        }
        std::fflush(stdout);
        for (size_t nDone = 0; nDone < strOut.size();) {
            DWORD dwWritten = 0;
            if (!::WriteFile(hOutput, strOut.data() + nDone,
                             static_cast<DWORD>(strOut.size() - nDone), &dwWritten, nullptr) ||
                dwWritten == 0) {
                return false;
            }
            nDone += dwWritten;
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
