// What the settings program's timings share: a clock, close waits, the report line and a
// parent's way to the editor.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "gui/res/resource.h"
#include "tests/gui/support/GuiDriver.h"
#include "tests/gui/support/GuiProgram.h"

inline double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

inline LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

// Waits for `done` polling every millisecond (the tests' waits poll every 20 ms, too coarse
// for a figure). False after gui::kWaitMs.
template <class F>
bool WaitClosely(F done) {
    const ULONGLONG uEnd = ::GetTickCount64() + gui::kWaitMs;
    while (!done()) {
        if (::GetTickCount64() >= uEnd) {
            return false;
        }
        ::Sleep(1);
    }
    return true;
}

inline void Report(const char* szWhat, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-40s median %7.1f ms   min %7.1f   max %7.1f   (%zu rounds)\n", szWhat,
                values[values.size() / 2], values.front(), values.back(), values.size());
}

inline HWND VisibleDialog(const CGuiProgram& program, const char* szTitle) {
    HWND hFound = nullptr;
    WaitClosely([&] {
        hFound = program.Dialog(szTitle, 0);
        return hFound != nullptr && ::IsWindowVisible(hFound) != FALSE;
    });
    return hFound;
}

// The editor of the administrator's own profile, reached as a parent reaches it: the
// administrator logged in, the tray's Settings, Administration, Select User (its first row,
// the administrator's, is selected as the screen opens) and Edit.
struct COwnEditor {
    const char* szFault = nullptr;  // what went wrong, or nullptr
    HWND hLogin = nullptr;
    HWND hEditor = nullptr;
    double dEditMs = 0;  // from Edit to the editor shown
};

inline COwnEditor OpenOwnProfileEditor(const CGuiProgram& program) {
    COwnEditor own;
    const auto fail = [&](const char* szFault) {
        own.szFault = szFault;
        return own;
    };
    const HWND hLogin = program.Dialog("Login");
    if (hLogin == nullptr || !gui::WaitUntil([&] { return ::IsWindowVisible(hLogin) != FALSE; })) {
        return fail("no login window");
    }
    own.hLogin = hLogin;
    ::SendMessageA(::GetDlgItem(hLogin, IDC_LOGIN_USER), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>("admin"));
    gui::TypeText(hLogin, IDC_LOGIN_PASSWORD, "secret");
    gui::Click(hLogin, IDOK);
    if (!WaitClosely([&] { return ::IsWindowVisible(hLogin) == FALSE; })) {
        return fail("the login window stayed");
    }
    gui::PostCommand(hLogin, ID_TRAY_SETTINGS);
    const HWND hAdmin = VisibleDialog(program, "Administration");
    if (hAdmin == nullptr) {
        return fail("no Administration screen");
    }
    gui::Click(hAdmin, IDC_ADMIN_MODIFY_USER);
    const HWND hSelect = VisibleDialog(program, "Select User");
    if (hSelect == nullptr) {
        return fail("no Select User screen");
    }
    const LARGE_INTEGER edit = Now();
    gui::Click(hSelect, IDC_SELECT_EDIT);
    own.hEditor = VisibleDialog(program, "Modifying Profile of admin");
    if (own.hEditor == nullptr) {
        return fail("no profile editor");
    }
    own.dEditMs = Milliseconds(edit, Now());
    return own;
}

// Clicks the editor's button nId and answers the success message it brings; the time from the
// click to the message in *pdMs. False when no message came.
inline bool TimedCommit(const CGuiProgram& program, HWND hEditor, int nId, double* pdMs) {
    const LARGE_INTEGER click = Now();
    gui::Click(hEditor, nId);
    const HWND hBox = program.MessageBoxOf(hEditor);
    if (hBox == nullptr) {
        return false;
    }
    *pdMs = Milliseconds(click, Now());
    gui::AnswerMessageBox(hBox, IDOK);
    return true;
}

// Once the editor went back to Administration: that screen closed and the program ended
// from the tray. What went wrong, or nullptr.
inline const char* CloseFromAdministration(const CGuiProgram& program, const COwnEditor& own) {
    const HWND hBack = VisibleDialog(program, "Administration");
    if (hBack == nullptr) {
        return "no Administration screen after the editor";
    }
    gui::Click(hBack, IDC_ADMIN_CLOSE);
    gui::PostCommand(own.hLogin, ID_TRAY_EXIT);
    return program.HasEnded() ? nullptr : "the program did not end";
}
