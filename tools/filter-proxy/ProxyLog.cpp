#include "tools/filter-proxy/ProxyLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

void ProxyLog(const char* szFormat, ...) noexcept {
    static std::mutex s_lock;
    char szLine[512];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(szLine, sizeof szLine, szFormat, args);
    va_end(args);
    const std::lock_guard<std::mutex> lock(s_lock);
    std::printf("filter-proxy: %s\n", szLine);
    std::fflush(stdout);
}
