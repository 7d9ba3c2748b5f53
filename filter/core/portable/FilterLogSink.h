// Where the portable parts of the filter write their log records (the process's log on
// Windows, anything in tests and fuzzers).
#pragma once

#include <string>

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
};
