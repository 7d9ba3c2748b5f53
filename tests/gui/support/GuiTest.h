// A fresh installation for each test of the settings program, and what the tests read back
// from outside the program: the registry values it writes and the login another process sees.
#pragma once

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Api/PolicyApi.h"
#include "tests/gui/support/GuiProgram.h"
#include "tests/support/FreshInstallation.h"
#include "win/ProductRegistry.h"
#include "win/RegKey.h"

inline constexpr char kRunKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// The settings program's Run entry "QPC".
inline std::optional<std::string> RunEntry() {
    const CRegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_READ);
    return key ? ReadRegString(key.Get(), "QPC") : std::nullopt;
}

// The installer's answer from the administrator password dialog.
inline std::optional<DWORD> NeedToExit() {
    const CRegKey key = OpenProductKey();
    return key ? ReadRegDword(key.Get(), "NeedToExit") : std::nullopt;
}

class GuiTest : public ::testing::Test {
protected:
    static constexpr const char* kAdminPassword = "secret";

    // strAdminPassword: the administrator's, proved in this process as the settings program
    // proves it before a parent's changes; empty for an installation without one yet.
    explicit GuiTest(const std::string& strAdminPassword = kAdminPassword)
        : m_install(strAdminPassword) {
        RemoveRunEntry();
    }
    ~GuiTest() override { RemoveRunEntry(); }

    // A failed test shows the last lines the program wrote about itself.
    void TearDown() override {
        if (!HasFailure()) {
            return;
        }
        for (const char* szLog : {"GuiCallLog.Log", "GuiLogFile.Log"}) {
            const std::vector<std::string> lines = ReadLines(m_install.Folder() + szLog);
            std::printf("--- %s (%zu lines, the last 30):\n", szLog, lines.size());
            for (std::size_t i = lines.size() > 30 ? lines.size() - 30 : 0; i < lines.size(); ++i) {
                std::printf("%s\n", lines[i].c_str());
            }
        }
    }

    static void RemoveRunEntry() { ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRunKeyPath, "QPC"); }

    // The logged-in user as another process with the library loaded sees it.
    std::string UserSeenElsewhere() const { return SeenElsewhere("user"); }
    // What another process with the library loaded reads: the last line that filter_child
    // writes for szVerb ("user", "filteroff", "update").
    std::string SeenElsewhere(const char* szVerb) const {
        const std::string strOutput = m_install.Folder() + "seen.txt";
        ::DeleteFileA(strOutput.c_str());
        CChildProcess child(CChildProcess::Beside("filter_child.exe"),
                            "\"" + strOutput + "\" " + szVerb);
        // A child that did not start or end says so, rather than passing for an empty answer.
        if (!child.Started()) {
            return "(filter_child.exe did not start: " + std::to_string(::GetLastError()) + ")";
        }
        const DWORD dwCode = child.Wait();
        if (dwCode != 0) {
            return "(filter_child.exe ended with " + std::to_string(dwCode) + ")";
        }
        const std::vector<std::string> lines = ReadLines(strOutput);
        return lines.empty() ? std::string("(filter_child.exe wrote nothing)") : lines.back();
    }

    // A profile's internet time now as another process with the library loaded reads it (this
    // process keeps counts of its own): allowed, minutes used and granted, granted until.
    TimeState TimeSeenElsewhere(const std::string& strProfile) const {
        TimeState state{};
        state.iUsed = -1;
        std::sscanf(SeenElsewhere(("time:" + strProfile).c_str()).c_str(), "time %d %d %d %d",
                    &state.iAllowed, &state.iUsed, &state.iExtraMinutes, &state.iUntilMinute);
        return state;
    }

    CFreshInstallation m_install;
};
