// The block every process that loads the library shares. Built with -fno-toplevel-reorder
// so that the variables keep this order in the section.
#include "Api/SharedState.h"

#define POLICYAPI_SHARED __attribute__((section(".shr"), shared))

extern "C" {
POLICYAPI_SHARED int g_iInstance = 0;
POLICYAPI_SHARED int g_bFilterOff = 0;
POLICYAPI_SHARED char g_LogedInUser[kLoggedInNameSize] = "Default";
POLICYAPI_SHARED int g_bUpdateRequired = 1;
}

POLICYAPI_SHARED AttemptRecord g_attemptRecords[kAttemptRecords] = {};
POLICYAPI_SHARED TimeUsageShared g_timeUsage = {};
