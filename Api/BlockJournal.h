// The journal of blocks that every process of the user's session shares: the filter in each
// program that opens sockets writes it, the settings program reads it. Its memory is mapped at
// the first call, never while the library loads.
#pragma once

#include "Api/portable/BlockJournalRing.h"

// The journal, or null when it cannot be opened; a later call tries again.
CBlockJournalRing* SharedBlockJournal() noexcept;
