// Moves lists of strings between the screens' list boxes, the edit state and the policy
// library. The screens edit the edit state; the commit points write it with Write*.
#pragma once

#include <string>
#include <vector>

#include "gui/admin/ProfileEditState.h"

class CCheckButtonList;
class CListBox;

// Each writes its lists for profileName: 1 when every library call succeeded, 0 at the
// first failure (logged).
int WriteIP(CProfileEditState& state);
int WriteURL(CProfileEditState& state);
int WriteWord(CProfileEditState& state);
int WriteCategory(CProfileEditState& state);
// The time rules, when the Time page changed them; 1 also when there was nothing to write.
int WriteTime(CProfileEditState& state);
// The writes of a commit, each whatever became of the one before; true when all
// succeeded. With bLogSteps each is followed by a log line naming it.
bool WriteProfileLists(CProfileEditState& state, bool bLogSteps);
// Reload the profile's URL lists, and every category with the profile's blocked ones.
int ReadURLLists(CProfileEditState& state);
int ReadCategories(CProfileEditState& state);
// The profile's stored time rules; on failure none, and nothing to write until changed.
int ReadTimeRules(CProfileEditState& state);
// Everything a commit writes, read for the profile about to be edited, so that a commit
// gives back the lists no screen shows (IP lists, words) as they were stored.
void ReadProfile(CProfileEditState& state);

void FillListBox(CListBox& list, const std::vector<std::string>& entries);
void FillStringList(std::vector<std::string>& entries, const CListBox& list);
void FillCheckList(CCheckButtonList& list, const std::vector<std::string>& entries);

// The library's list record, built with the page allocator: an array of count string
// pointers. AllocList makes the array; FreeList releases the strings and then the array.
bool AllocList(char*** pList, int count);
bool FreeList(char*** pList, int count);
