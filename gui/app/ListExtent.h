// The horizontal extent of a list box whose entries may be wider than the box.
#pragma once

class CListBox;

// Lets the longest entry scroll into view: 6 pixels a character, plus 10.
void FitHorizontalExtent(CListBox& list);
