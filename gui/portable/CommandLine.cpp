#include "gui/portable/CommandLine.h"

#include "base/portable/Ascii.h"

CommandWord ClassifyCommandLine(std::string_view commandLine) {
    if (commandLine.empty()) {
        return CommandWord::kBlank;
    }
    if (EqualsNoCase(commandLine, "StartUp")) {
        return CommandWord::kStartUp;
    }
    const std::string_view word = TrimAscii(commandLine, " \t\r\n");
    if (EqualsNoCase(word, "Install")) {
        return CommandWord::kInstall;
    }
    if (EqualsNoCase(word, "UnInstall")) {
        return CommandWord::kUnInstall;
    }
    if (EqualsNoCase(word, "CheckInstance")) {
        return CommandWord::kCheckInstance;
    }
    return CommandWord::kOther;
}
