// How the settings program tells of a block from the journal: its site, why it was blocked
// and over what, and which blocks a list shows.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "Api/portable/BlockJournalEntry.h"

// The name the block was made for; "(unknown site)" when the filter had none, nothing for an
// event (no site was refused).
std::string BlockSite(const BlockJournalEntry& entry);
// "URL Word: poker", "Category: Gambling" (a site of no category named as such), "Time: " and
// the time rules' reason, or "settings corrupted".
std::string BlockReason(const BlockJournalEntry& entry);
// Whether the hours or the day's minutes made the block (a parent may give more time).
bool IsTimeBlock(const BlockJournalEntry& entry);
// "http" or "https"; nothing for an event.
const char* BlockScheme(const BlockJournalEntry& entry);

// The blocks a list shows, newest first: all of them, or with bAllProfiles false only those
// made for strProfile.
std::vector<const BlockJournalEntry*> RecentBlocks(std::span<const BlockJournalEntry> entries,
                                                   bool bAllProfiles,
                                                   const std::string& strProfile);
