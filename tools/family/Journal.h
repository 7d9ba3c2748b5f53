// The journal of blocks as lines a script can read.
#pragma once

#include <string>

#include "Api/PolicyApi.h"

// "SEQUENCE<TAB>PROFILE<TAB>SCHEME<TAB>HOST<TAB>POLICY<TAB>MATCH<TAB>PROGRAM<TAB>URL", with
// the scheme "http" or "https" and the policy as the block page names it ("URL Word",
// "Category", "Settings corrupted").
std::string JournalLine(const BlockJournalEntry& entry);
