// The block every process that loads the library shares: who is logged in, the filter-off
// switch, the reload flag, the process count, and the failed password checks of every
// account. Only the library's own code reads and writes it; nothing of it is exported.
#pragma once

#include "Api/portable/AttemptLimit.h"
#include "Api/portable/TimeUsage.h"

inline constexpr int kLoggedInNameSize = 24;
inline constexpr int kAttemptRecords = 32;

extern "C" {
extern int g_iInstance;
extern int g_bFilterOff;
extern char g_LogedInUser[kLoggedInNameSize];
extern int g_bUpdateRequired;
}

extern AttemptRecord g_attemptRecords[kAttemptRecords];

// Internet time counted per profile (TimeAccounting.h).
extern TimeUsageShared g_timeUsage;
