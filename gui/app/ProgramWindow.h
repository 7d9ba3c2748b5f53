// The window that a second start of the program brings to the front: the dialog shown
// last, in memory shared by every running copy.
#pragma once

#include <windows.h>

class CWnd;

extern HWND gActiveWindow;

// What every screen of the program does when it opens: the program icon as its large and
// small icon, and its handle in gActiveWindow.
void ShowAsProgramWindow(CWnd& wnd);

// The program icon.
HICON ProgramIcon();
