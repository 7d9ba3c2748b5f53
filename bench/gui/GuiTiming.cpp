// How long a person waits for the settings program: from starting Gui.exe to its login window
// on screen, and from clicking Login to the window gone to the tray. Run in a desktop session
// (scripts/bench-gui.sh); prints the median and the spread of each over the rounds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "gui/res/resource.h"
#include "tests/gui/support/GuiDriver.h"
#include "tests/gui/support/GuiProgram.h"
#include "tests/support/QuietInstallation.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

// Waits for `done` polling every millisecond (the tests' waits poll every 20 ms, too coarse
// for a figure). False after 20 s.
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

void Report(const char* szWhat, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-40s median %7.1f ms   min %7.1f   max %7.1f   (%zu rounds)\n", szWhat,
                values[values.size() / 2], values.front(), values.back(), values.size());
}

}  // namespace

int main(int argc, char** argv) {
    const int nRounds = argc > 1 ? std::atoi(argv[1]) : 10;
    const CQuietInstallation install;
    ApiProcessAttach();
    const int iCreated = CreateUser("kid", "chess", USER_TYPE_USER);
    ApiProcessDetach();
    if (!install.Installed() || iCreated != 1) {
        std::fputs("gui timing: cannot make the installation\n", stderr);
        return 1;
    }
    std::vector<double> shown;
    std::vector<double> hidden;
    for (int i = 0; i < nRounds; ++i) {
        const LARGE_INTEGER started = Now();
        CGuiProgram program;
        const HWND hLogin = program.Dialog("Login");
        if (hLogin == nullptr ||
            !gui::WaitUntil([&] { return ::IsWindowVisible(hLogin) != FALSE; })) {
            std::fputs("gui timing: no login window\n", stderr);
            return 1;
        }
        shown.push_back(Milliseconds(started, Now()));

        ::SendMessageA(::GetDlgItem(hLogin, IDC_LOGIN_USER), CB_SELECTSTRING,
                       static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("kid"));
        gui::TypeText(hLogin, IDC_LOGIN_PASSWORD, "chess");
        const LARGE_INTEGER clicked = Now();
        gui::Click(hLogin, IDOK);
        if (!WaitClosely([&] { return ::IsWindowVisible(hLogin) == FALSE; })) {
            std::fputs("gui timing: the login window stayed\n", stderr);
            return 1;
        }
        hidden.push_back(Milliseconds(clicked, Now()));
        gui::PostCommand(hLogin, ID_TRAY_EXIT);
        program.HasEnded();
    }
    Report("start to login window shown", shown);
    Report("Login clicked to window hidden", hidden);
    return 0;
}
