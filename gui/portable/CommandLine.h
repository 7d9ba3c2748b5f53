// What the command line asks the settings program to do.
#pragma once

#include <string_view>

enum class CommandWord { kBlank, kStartUp, kInstall, kUnInstall, kCheckInstance, kOther };

// The command line as the program got it (after its own name). Empty: kBlank. Exactly
// "StartUp" in any case: kStartUp. Otherwise, without its leading and trailing blanks and in
// any case, "Install", "UnInstall" or "CheckInstance"; anything else is kOther.
CommandWord ClassifyCommandLine(std::string_view commandLine);
