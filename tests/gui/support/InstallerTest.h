// The installation tool run as a person runs it: pcinstall with --interactive, and the
// password dialog of the settings program it starts answered from outside.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "gui/res/resource.h"
#include "tests/gui/support/GuiDriver.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempPath.h"
#include "tools/install/Installer.h"
#include "win/ProductRegistry.h"
#include "win/UniqueHandle.h"

inline constexpr DWORD kCancelled = 3;

class InstallerTest : public ::testing::Test {
protected:
    InstallerTest() {
        std::filesystem::create_directories(m_folder.Path());
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKeyPath);
    }
    ~InstallerTest() override {
        EndLeftoverPrograms();
        std::string strError;
        Uninstall(Folder(), strError);
    }

    // A password dialog still open (a test that stopped half way) holds the program's
    // one-copy mutex and keeps the tool waiting: every later start would only bring it forward.
    static void EndLeftoverPrograms() {
        for (const HWND hWnd : gui::WindowsOf(0, "#32770")) {
            if (gui::WindowText(hWnd) != "Parental Control") {
                continue;
            }
            DWORD dwPid = 0;
            ::GetWindowThreadProcessId(hWnd, &dwPid);
            const CHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, dwPid));
            if (process && dwPid != ::GetCurrentProcessId()) {
                ::TerminateProcess(process.Get(), 1);
                ::WaitForSingleObject(process.Get(), gui::kWaitMs);
            }
        }
    }

    std::string Folder() const { return m_folder.String() + "\\"; }
    // pcinstall with these arguments, running until the person has answered.
    CChildProcess Tool(const std::string& strArgs) const {
        return CChildProcess(CChildProcess::Beside("pcinstall.exe"), strArgs);
    }
    // The tool's password dialog once it is on screen (made ready for install or removal).
    static HWND Shown() {
        const HWND hDialog = gui::FindDialog(0, "Parental Control");
        return hDialog != nullptr &&
                       gui::WaitUntil([&] { return ::IsWindowVisible(hDialog) != FALSE; })
                   ? hDialog
                   : nullptr;
    }
    // The password dialog that the tool's Gui.exe shows: the password typed (twice when
    // installing) and Ok pressed.
    static void Answer(const std::string& strPassword, bool bInstall) {
        const HWND hDialog = Shown();
        ASSERT_NE(hDialog, nullptr);
        ASSERT_EQ(gui::IsItemVisible(hDialog, IDC_ADMINPW_CONFIRM), bInstall);
        gui::TypeText(hDialog, IDC_ADMINPW_PASSWORD, strPassword);
        gui::TypeText(hDialog, IDC_ADMINPW_CONFIRM, strPassword);
        gui::Click(hDialog, IDOK);
    }
    static void Cancel() {
        const HWND hDialog = Shown();
        ASSERT_NE(hDialog, nullptr);
        ::PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
    }
    bool Installed() const { return std::filesystem::exists(SettingsFilePath(Folder())); }
    // The password check as the library makes it, from the file the tool left.
    static int Validates(const char* szPassword) {
        ApiProcessAttach();
        const int iResult = ValidatePassword("admin", szPassword);
        ApiProcessDetach();
        return iResult;
    }
    std::string Install() const {
        return "install --force --folder \"" + m_folder.String() + "\" --interactive";
    }

    CTempPath m_folder{"install"};
};
