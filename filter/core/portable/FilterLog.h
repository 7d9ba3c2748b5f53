// The log the filter's judgement writes to: the process's log, handed in by the frame when
// the module attaches. Until then, and where nothing is handed in, records are dropped.
#pragma once

#include "filter/core/portable/IFilterLog.h"

IFilterLog& FilterLog() noexcept;
// pLog stays the caller's and must outlive its use; null drops records again.
void SetFilterLog(IFilterLog* pLog) noexcept;
