#include "gui/app/ListExtent.h"

#include <algorithm>

#include "gui/framework/Controls.h"
#include "gui/portable/ListExtent.h"

void FitHorizontalExtent(CListBox& list) {
    size_t nLongest = 0;
    for (int i = 0; i < list.GetCount(); ++i) {
        nLongest = std::max(nLongest, list.GetText(i).size());
    }
    list.SetHorizontalExtent(ListExtent(nLongest));
}
