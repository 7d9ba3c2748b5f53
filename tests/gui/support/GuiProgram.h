// Gui.exe started with a command line, as Windows or an installer starts it. Ended by force
// at the end of the test if it is still running.
#pragma once

#include <windows.h>

#include <string>

#include "tests/gui/support/GuiDriver.h"
#include "tests/support/ChildProcess.h"
#include "win/ProcessHandles.h"

class CGuiProgram {
public:
    // strCommandLine: what follows the program's quoted path ("" for none at all).
    explicit CGuiProgram(const std::string& strCommandLine = "") {
        std::string strLine = "\"" + CChildProcess::Beside("Gui.exe") + "\"";
        if (!strCommandLine.empty()) {
            strLine += " " + strCommandLine;
        }
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (::CreateProcessA(nullptr, strLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process)) {
            m_process = std::move(OwnProcessHandles(process).process);
            m_dwPid = process.dwProcessId;
        } else {
            m_dwStartError = ::GetLastError();
        }
    }
    CGuiProgram(const CGuiProgram&) = delete;
    CGuiProgram& operator=(const CGuiProgram&) = delete;
    ~CGuiProgram() {
        if (m_process && !HasEnded(0)) {
            ::TerminateProcess(m_process.Get(), 1);
            ::WaitForSingleObject(m_process.Get(), gui::kWaitMs);
        }
    }

    bool Started() const { return static_cast<bool>(m_process); }
    DWORD Pid() const { return m_dwPid; }
    bool HasEnded(DWORD dwTimeoutMs = gui::kWaitMs) const {
        return ::WaitForSingleObject(m_process.Get(), dwTimeoutMs) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD dwCode = STILL_ACTIVE;
        ::GetExitCodeProcess(m_process.Get(), &dwCode);
        return dwCode;
    }

    // For an assertion's message when a window did not come.
    std::string State() const {
        if (!Started()) {
            return "Gui.exe did not start (error " + std::to_string(m_dwStartError) + ")";
        }
        return HasEnded(0) ? "Gui.exe ended with code " + std::to_string(ExitCode())
                           : std::string("Gui.exe is running");
    }

    HWND Dialog(const char* szTitle, DWORD dwTimeoutMs = gui::kWaitMs) const {
        return gui::FindDialog(m_dwPid, szTitle, dwTimeoutMs);
    }
    // The dialog once it is on screen (a dialog is made before it is shown, and its controls
    // show with it); nullptr when it did not come or did not show.
    HWND ShownDialog(const char* szTitle) const {
        const HWND hDialog = Dialog(szTitle);
        return hDialog != nullptr && gui::BecomesVisible(hDialog) ? hDialog : nullptr;
    }
    HWND MessageBoxOf(HWND hOwner, DWORD dwTimeoutMs = gui::kWaitMs) const {
        return gui::FindMessageBox(m_dwPid, hOwner, dwTimeoutMs);
    }
    // The text of the message box hOwner shows, once answered with nButton.
    std::string TakeMessage(HWND hOwner, int nButton = IDOK) const {
        const HWND hBox = MessageBoxOf(hOwner);
        if (hBox == nullptr) {
            return "(no message)";
        }
        const std::string strText = gui::MessageBoxText(hBox);
        gui::AnswerMessageBox(hBox, nButton);
        return strText;
    }

private:
    CHandle m_process;
    DWORD m_dwPid = 0;
    DWORD m_dwStartError = 0;
};
