// Drives the settings program from outside, as an automation client would: finds its
// windows by class and title, its controls by id, sets texts, clicks, reads texts back and
// answers its message boxes. Every wait is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace gui {

// Generous: a loaded machine (a build beside the tests) can take tens of seconds to start a
// program under Wine, and a bound only matters when something is wrong.
constexpr DWORD kWaitMs = 60000;

// Polls `done` until it holds or dwTimeoutMs pass, handling the calling thread's window
// messages meanwhile; true when it held.
bool WaitUntil(const std::function<bool()>& done, DWORD dwTimeoutMs = kWaitMs);

// Top-level windows of process dwPid (0: of any process) with window class szClass.
std::vector<HWND> WindowsOf(DWORD dwPid, const char* szClass);

// A dialog (not a message box) of process dwPid (0: of any process) titled szTitle,
// visible or not.
HWND FindDialog(DWORD dwPid, const char* szTitle, DWORD dwTimeoutMs = kWaitMs);
// A visible message box of process dwPid owned by hOwner (nullptr: one without an owner).
HWND FindMessageBox(DWORD dwPid, HWND hOwner, DWORD dwTimeoutMs = kWaitMs);
// Whether process dwPid shows a message box owned by hOwner right now.
bool HasMessageBox(DWORD dwPid, HWND hOwner);
std::string MessageBoxText(HWND hBox);
// Clicks one of a message box's buttons (IDOK, IDYES, IDNO...) and waits until it is gone.
bool AnswerMessageBox(HWND hBox, int nButton);

std::string WindowText(HWND hWnd);
std::string ItemText(HWND hDialog, int nId);
void SetItemText(HWND hDialog, int nId, const std::string& strText);
// Types text into an edit as a keyboard would (the edit's length limit applies).
void TypeText(HWND hDialog, int nId, const std::string& strText);
// Clicks a button without waiting for what the click opens.
void Click(HWND hDialog, int nId);
// Sends a command (a menu choice) to a window without waiting for it.
void PostCommand(HWND hWnd, int nId);
// A click or a command handled before this returns: false when it was not handled within
// dwTimeoutMs (it opened something modal, say). For what is expected to open nothing.
bool ClickNow(HWND hDialog, int nId, DWORD dwTimeoutMs = kWaitMs);
bool CommandNow(HWND hWnd, int nId, DWORD dwTimeoutMs = kWaitMs);
// Whether hWnd is shown (or hidden, or gone) once the program has got there: a window shown
// again after a modal screen closes, say, comes a moment after the screen has gone.
bool BecomesVisible(HWND hWnd, DWORD dwTimeoutMs = kWaitMs);
bool BecomesHidden(HWND hWnd, DWORD dwTimeoutMs = kWaitMs);
// A dialog control with id nId anywhere under hTop (in pages of pages too); nullptr when
// none.
HWND DescendantItem(HWND hTop, int nId);
bool IsItemVisible(HWND hDialog, int nId);
bool IsItemEnabled(HWND hDialog, int nId);
HWND FocusedItemOf(HWND hDialog);
// The selection of an edit: (start, end).
std::pair<int, int> EditSelection(HWND hDialog, int nId);
// The texts of a combo box's or list box's entries.
std::vector<std::string> ComboEntries(HWND hDialog, int nId);
std::vector<std::string> ListEntries(HWND hDialog, int nId);
int ListHorizontalExtent(HWND hDialog, int nId);

// Saves a picture of hWnd's rectangle (as the X server shows it) to
// <build>/screenshots/<name>.png. Returns the path, empty when it failed.
std::string Screenshot(HWND hWnd, const std::string& strName);

}  // namespace gui
