// This process's side of the internet time every process counts: the clocks, the profile's
// record in the shared block (found, or claimed and loaded from the settings file), its
// saving, and the report of a wall clock jump.
#pragma once

#include "Api/portable/TimeUsage.h"

// The clocks now: GetTickCount64, the system time and the local time.
TimeClock ReadTimeClock() noexcept;

CTimeUsage& TheTimeUsage() noexcept;

// The profile's record, claimed and given the day the settings file holds when it has none.
// Null for an unknown profile, settings that cannot be read or no free record.
TimeUsageRecord* OpenTimeUsage(const char* szProfile, const TimeClock& clock);

// Gives the settings file the record's day ("TimeUsed" of the profile). 1/0.
int SaveTimeUsage(TimeUsageRecord& record);

// Logs a jump of the wall clock and records it in the journal, once for all processes.
void NoteClockJump(const TimeClock& clock);
