#include "filter/core/portable/IFilterLog.h"

#include <cstdarg>

void IFilterLog::Trace(signed char iLevel, const char* szFormat, ...) {
    if (!Enabled(iLevel)) {
        return;
    }
    va_list args;
    va_start(args, szFormat);
    std::string strText = FormatV(szFormat, args);
    va_end(args);
    Write(strText, iLevel);
}
