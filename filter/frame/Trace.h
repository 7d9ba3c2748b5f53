// The frame's two outputs: the process's log (named after the host program at attach, and
// shared with the filter's judgement) and the debugger output.
#pragma once

#include "log/portable/Format.h"

class CLogFile;
class IFilterLog;

CLogFile& ProcessLog();
IFilterLog& ProcessFilterLog();

// A log record formatted with printf rules (only when it will be kept).
void Trace(signed char iLevel, const char* szFormat, ...) noexcept PC_PRINTF_FORMAT(2, 3);
// The same record, written to the debugger output as well. (Not an overload of Trace taking an
// empty tag first: mingw-w64's GCC starts the variable arguments of such a function one slot
// early, so they were read from an unwritten stack slot.)
void TraceAndDebugOut(signed char iLevel, const char* szFormat, ...) noexcept
    PC_PRINTF_FORMAT(2, 3);
// A debugger line alone, written only while a debugger or a debug output monitor is there to
// read it.
void DebugOut(const char* szFormat, ...) noexcept PC_PRINTF_FORMAT(1, 2);

// "XXXXXX Exception XXXXXX" with the exception's text, at level 1.
void LogException(const char* szWhat) noexcept;
