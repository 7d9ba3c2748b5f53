#include "filter/frame/Trace.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "filter/core/portable/IFilterLog.h"
#include "log/LogFile.h"
#include "win/UniqueHandle.h"

namespace {

// Records without time stamps, named at module attach. Built by the runtime before DllMain
// runs and destroyed after it has returned from detach.
CLogFile gProcessLog(0);

class CProcessLogSink : public IFilterLog {
public:
    bool Enabled(signed char iLevel) const override { return gProcessLog.Enabled(iLevel); }
    void Write(const std::string& strText, signed char iLevel) override {
        gProcessLog.Write(strText.c_str(), iLevel);
    }
};

CProcessLogSink gProcessLogSink;

// Whether anyone reads debugger output: an attached debugger, or a monitor that has made the
// system's debug-output buffer (looked up at most once a second). Formatting and raising the
// output for nobody costs more than a whole forwarded call.
bool DebugOutputWanted() noexcept {
    if (::IsDebuggerPresent()) {
        return true;
    }
    static std::atomic<ULONGLONG> s_uNextLook{0};
    static std::atomic<bool> s_bMonitor{false};
    const ULONGLONG uNow = ::GetTickCount64();
    if (uNow >= s_uNextLook.load(std::memory_order_relaxed)) {
        const CHandle buffer(::OpenFileMappingA(FILE_MAP_READ, FALSE, "DBWIN_BUFFER"));
        s_bMonitor.store(static_cast<bool>(buffer), std::memory_order_relaxed);
        s_uNextLook.store(uNow + 1000, std::memory_order_relaxed);
    }
    return s_bMonitor.load(std::memory_order_relaxed);
}

void WriteDebugLine(const char* szFormat, va_list args) noexcept PC_PRINTF_FORMAT(1, 0);
void WriteDebugLine(const char* szFormat, va_list args) noexcept {
    char szText[1024];
    std::vsnprintf(szText, sizeof szText, szFormat, args);
    ::OutputDebugStringA(szText);
}

void WriteRecord(signed char iLevel, const char* szFormat, va_list args) noexcept
    PC_PRINTF_FORMAT(2, 0);
void WriteRecord(signed char iLevel, const char* szFormat, va_list args) noexcept {
    try {
        gProcessLog.Write(FormatV(szFormat, args), iLevel);
    } catch (...) {
        // A record that cannot be made is lost; the call it describes goes on.
    }
}

}  // namespace

CLogFile& ProcessLog() {
    return gProcessLog;
}

IFilterLog& ProcessFilterLog() {
    return gProcessLogSink;
}

void Trace(signed char iLevel, const char* szFormat, ...) noexcept {
    if (!gProcessLog.Enabled(iLevel)) {
        return;
    }
    va_list args;
    va_start(args, szFormat);
    WriteRecord(iLevel, szFormat, args);
    va_end(args);
}

void TraceAndDebugOut(signed char iLevel, const char* szFormat, ...) noexcept {
    va_list args;
    va_start(args, szFormat);
    if (DebugOutputWanted()) {
        va_list copy;
        va_copy(copy, args);
        WriteDebugLine(szFormat, copy);
        va_end(copy);
    }
    if (gProcessLog.Enabled(iLevel)) {
        WriteRecord(iLevel, szFormat, args);
    }
    va_end(args);
}

void DebugOut(const char* szFormat, ...) noexcept {
    if (!DebugOutputWanted()) {
        return;
    }
    va_list args;
    va_start(args, szFormat);
    WriteDebugLine(szFormat, args);
    va_end(args);
}

void LogException(const char* szWhat) noexcept {
    Trace(1, "XXXXXX Exception XXXXXX\n%.254s\nXXXXXXXXXXXXXXXXXXXXXXX\n", szWhat);
}
