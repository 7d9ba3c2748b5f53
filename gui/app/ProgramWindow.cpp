#include "gui/app/ProgramWindow.h"

#include "gui/framework/Wnd.h"
#include "gui/res/resource.h"

HICON ProgramIcon() {
    return ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM));
}

void ShowAsProgramWindow(CWnd& wnd) {
    const HICON hIcon = ProgramIcon();
    wnd.SetIcon(hIcon, true);
    wnd.SetIcon(hIcon, false);
    gActiveWindow = wnd.GetSafeHwnd();
}
