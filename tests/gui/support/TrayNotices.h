// What the settings program told in its tray, read from outside: its log's line for each
// notice and tooltip, and the balloon the shell shows.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/gui/support/GuiDriver.h"

// The text after strMark of each line of the log that holds it, oldest first.
inline std::vector<std::string> LogLinesAfter(const std::string& strLogFile,
                                              const std::string& strMark) {
    std::ifstream in(strLogFile, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string strLine; std::getline(in, strLine);) {
        const size_t at = strLine.find(strMark);
        if (at != std::string::npos) {
            strLine.erase(strLine.find_last_not_of('\r') + 1);
            lines.push_back(strLine.substr(at + strMark.size()));
        }
    }
    return lines;
}

// The program's notices: "Blocked: site; reason; Profile: name" or "title; text".
inline std::vector<std::string> TrayNotices(const std::string& strInstallFolder) {
    return LogLinesAfter(strInstallFolder + "GuiLogFile.Log", "CBlockNotices :: notice ");
}

// The balloon the shell shows now, once it is drawn; nullptr when none comes.
inline HWND ShownBalloon() {
    HWND hBalloon = nullptr;
    gui::WaitUntil([&] {
        for (const HWND hTip : gui::WindowsOf(0, "tooltips_class32")) {
            hBalloon = ::IsWindowVisible(hTip) ? hTip : hBalloon;
        }
        return hBalloon != nullptr;
    });
    return hBalloon;
}
