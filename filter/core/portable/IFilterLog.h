// Where the filter's judgement writes its log records: the process's log on Windows (handed
// in by the frame), anything in tests and fuzzers.
#pragma once

#include <string>

#include "log/portable/Format.h"

class IFilterLog {
public:
    virtual ~IFilterLog() = default;
    // Whether a record of this level is kept: callers build no text otherwise.
    virtual bool Enabled(signed char iLevel) const = 0;
    virtual void Write(const std::string& strText, signed char iLevel) = 0;

    void Log(const std::string& strText, signed char iLevel) {
        if (Enabled(iLevel)) {
            Write(strText, iLevel);
        }
    }
    // A constant text costs nothing when the record is not kept.
    void Log(const char* szText, signed char iLevel) {
        if (Enabled(iLevel)) {
            Write(szText, iLevel);
        }
    }
    // A record formatted with printf rules, and only when it will be kept.
    void Trace(signed char iLevel, const char* szFormat, ...) PC_PRINTF_FORMAT(3, 4);
};
