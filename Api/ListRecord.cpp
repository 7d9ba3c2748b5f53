#include "Api/ListRecord.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

bool MakeListRecord(const TextList& texts, char*** list, int* count) {
    *list = nullptr;
    *count = 0;
    if (texts.empty()) {
        return true;
    }
    auto** ppArray = static_cast<char**>(::GlobalAlloc(GPTR, texts.size() * sizeof(char*)));
    if (ppArray == nullptr) {
        return false;
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        ppArray[i] = static_cast<char*>(::GlobalAlloc(GPTR, texts[i].size() + 1));
        if (ppArray[i] == nullptr) {
            ReleaseListRecord(ppArray, static_cast<int>(i));
            return false;
        }
        std::memcpy(ppArray[i], texts[i].c_str(), texts[i].size() + 1);
    }
    *list = ppArray;
    *count = static_cast<int>(texts.size());
    return true;
}

void ReleaseListRecord(char** list, int count) {
    if (list == nullptr) {
        return;
    }
    // A count larger than the array (a caller's mistake) must not free what is not ours.
    const auto nEntries = static_cast<int>(::GlobalSize(list) / sizeof(char*));
    for (int i = 0; i < std::min(count, nEntries); ++i) {
        if (list[i] != nullptr) {
            ::GlobalFree(list[i]);
        }
    }
    ::GlobalFree(list);
}

TextList ReadListRecord(char*** list, const int* count) {
    TextList texts;
    if (list == nullptr || count == nullptr || *list == nullptr) {
        return texts;
    }
    for (int i = 0; i < *count; ++i) {
        if ((*list)[i] != nullptr) {
            texts.emplace_back((*list)[i]);
        }
    }
    return texts;
}
