// The filter's records of level 1, kept in order for a test to read.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "filter/core/portable/IFilterLog.h"

class CRecordingLog : public IFilterLog {
public:
    bool Enabled(signed char iLevel) const override { return iLevel <= 1; }
    void Write(const std::string& strText, signed char) override { m_lines.push_back(strText); }

    int Count(const std::string& strLine) const {
        return static_cast<int>(std::count(m_lines.begin(), m_lines.end(), strLine));
    }

    std::vector<std::string> m_lines;
};
