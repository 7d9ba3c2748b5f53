#include "tools/family/Journal.h"

namespace {

const char* PolicyName(int iPolicy) {
    switch (iPolicy) {
        case 3:
            return "URL Word";
        case 4:
            return "Category";
        case 5:
            return "Settings corrupted";
        default:
            return "Unknown";
    }
}

// A field as it was recorded, bounded by its array: a torn or unterminated one is cut there.
template <size_t N>
std::string Field(const char (&szField)[N]) {
    size_t n = 0;
    while (n < N && szField[n] != '\0') {
        ++n;
    }
    std::string strText(szField, n);
    // Tabs and line ends would split the line.
    for (char& c : strText) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return strText;
}

}  // namespace

std::string JournalLine(const BlockJournalEntry& entry) {
    return std::to_string(entry.ullSequence) + "\t" + Field(entry.szProfile) + "\t" +
           (entry.iScheme == BLOCK_SCHEME_HTTPS ? "https" : "http") + "\t" + Field(entry.szHost) +
           "\t" + PolicyName(entry.iPolicy) + "\t" + Field(entry.szMatch) + "\t" +
           Field(entry.szProcess) + "\t" + Field(entry.szUrl);
}
