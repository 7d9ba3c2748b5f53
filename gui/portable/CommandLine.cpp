#include "gui/portable/CommandLine.h"

#include <cctype>

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

CommandWord ClassifyCommandLine(std::string_view commandLine) {
    if (commandLine.empty()) {
        return CommandWord::kBlank;
    }
    if (SameIgnoringCase(commandLine, "StartUp")) {
        return CommandWord::kStartUp;
    }
    const std::string_view word = Trimmed(commandLine);
    if (SameIgnoringCase(word, "Install")) {
        return CommandWord::kInstall;
    }
    if (SameIgnoringCase(word, "UnInstall")) {
        return CommandWord::kUnInstall;
    }
    if (SameIgnoringCase(word, "CheckInstance")) {
        return CommandWord::kCheckInstance;
    }
    return CommandWord::kOther;
}
