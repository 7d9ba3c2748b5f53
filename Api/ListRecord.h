// Lists crossing the library boundary: an array of `count` text pointers, the array and each
// text in its own global-memory block so that any module of the process can release them.
#pragma once

#include <string>
#include <vector>

using TextList = std::vector<std::string>;

// Fills *list/*count; an empty list gives NULL and 0. False when memory runs out (nothing
// is left allocated then).
bool MakeListRecord(const TextList& texts, char*** list, int* count);
// Releases the array and its texts; never reads past the array's own block.
void ReleaseListRecord(char** list, int count);
// The texts of a caller's list; NULL entries are skipped.
TextList ReadListRecord(char*** list, const int* count);
