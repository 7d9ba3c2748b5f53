// The command loop of the helper programs that tests start: argv[1] names a file the program
// appends its answers to, each later argument is a command "verb" or "verb:argument".
// signal:EVENT and wait:EVENT (named events, for stepping processes in turn) are served here;
// every other command goes to `run(verb, argument, output)`, which returns false for a command
// it does not know.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "win/UniqueHandle.h"

template <class F>
int RunChildCommands(int argc, char** argv, F&& run) {
    if (argc < 2) {
        return 2;
    }
    FILE* pOut = std::fopen(argv[1], "a");
    if (pOut == nullptr) {
        return 3;
    }
    int iResult = 0;
    for (int i = 2; i < argc && iResult == 0; ++i) {
        const std::string strCommand = argv[i];
        const size_t colon = strCommand.find(':');
        const std::string strVerb = strCommand.substr(0, colon);
        const std::string strArg = colon == std::string::npos ? "" : strCommand.substr(colon + 1);
        if (strVerb == "signal" || strVerb == "wait") {
            const CHandle event(::CreateEventA(nullptr, TRUE, FALSE, strArg.c_str()));
            if (strVerb == "signal") {
                ::SetEvent(event.Get());
            } else {
                ::WaitForSingleObject(event.Get(), 60000);
            }
        } else if (!run(strVerb, strArg, pOut)) {
            iResult = 4;
        }
        std::fflush(pOut);
    }
    std::fclose(pOut);
    return iResult;
}
