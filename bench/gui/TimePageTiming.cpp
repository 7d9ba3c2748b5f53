// How long a parent waits on the Time page of the profile editor, for a profile with a school
// week's rules: from "Edit" on Select User to the editor shown (the page is made then), from a
// click on the Time tab to the page shown with its rules text, and from "Apply" after one
// cell changed to the success message (the commit writes the time rules with the lists). Run
// in a desktop session (scripts/bench-time-page.sh); prints the median and the spread.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "bench/gui/Timing.h"
#include "gui/portable/TimeGrid.h"
#include "gui/res/resource.h"
#include "tests/support/QuietInstallation.h"

namespace {

constexpr char kSchoolWeek[] =
    "allow mon-fri 07:00-08:00,16:00-20:00; allow sat,sun 09:00-12:00,14:00-21:00; "
    "limit mon-fri 90; limit sat,sun 120";

struct CRound {
    double dEditToEditor = 0;
    double dTabToPage = 0;
    double dApplyToMessage = 0;
};

// A press and release on one cell of the grid: toggles it.
void ClickCell(HWND hGrid, int iDay, int iSlot) {
    RECT client;
    ::GetClientRect(hGrid, &client);
    const CTimeGridLayout layout = CTimeGridLayout::ForClient(client.right, client.bottom);
    const LPARAM point = MAKELPARAM(layout.CellLeft(iSlot) + 2, layout.RowTop(iDay) + 2);
    ::PostMessageA(hGrid, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::PostMessageA(hGrid, WM_LBUTTONUP, 0, point);
}

// From the tray's Settings to the editor on the administrator's own profile, the Time page
// and Apply; what went wrong, or nullptr.
const char* TimeRound(int nRound, CRound& round) {
    CGuiProgram program;
    const COwnEditor own = OpenOwnProfileEditor(program);
    if (own.szFault != nullptr) {
        return own.szFault;
    }
    round.dEditToEditor = own.dEditMs;
    const HWND hEditor = own.hEditor;

    const HWND hGrid = gui::DescendantItem(hEditor, IDC_TIME_GRID);
    const HWND hPage = ::GetParent(hGrid);
    const LARGE_INTEGER tab = Now();
    ::PostMessageA(gui::DescendantItem(hEditor, IDC_TAB_TIME), BM_CLICK, 0, 0);
    if (!WaitClosely([&] {
            return ::IsWindowVisible(hPage) != FALSE &&
                   !gui::ItemText(hPage, IDC_TIME_RULES_TEXT).empty();
        })) {
        return "no Time page";
    }
    // Shown once it has painted: a message sent behind the paint comes back after it.
    ::SendMessageA(hGrid, WM_NULL, 0, 0);
    round.dTabToPage = Milliseconds(tab, Now());

    // A different cell every round, so that Apply has a change to write.
    const std::string strBefore = gui::ItemText(hPage, IDC_TIME_RULES_TEXT);
    ClickCell(hGrid, nRound % 7, 40 + nRound % 8);
    if (!WaitClosely([&] { return gui::ItemText(hPage, IDC_TIME_RULES_TEXT) != strBefore; })) {
        return "the cell did not change";
    }
    if (!TimedCommit(program, hEditor, IDC_EDITOR_APPLY, &round.dApplyToMessage)) {
        return "no success message";
    }
    gui::Click(hEditor, IDCANCEL);
    return CloseFromAdministration(program, own);
}

}  // namespace

int main(int argc, char** argv) {
    const int nRounds = argc > 1 ? std::atoi(argv[1]) : 10;
    const CQuietInstallation install;
    ApiProcessAttach();
    const bool bReady = CreateUser("admin", "secret", USER_TYPE_SUPER_ADMIN) == 1 &&
                        ValidatePassword("admin", "secret") == 1 &&
                        SetTimeRules("admin", kSchoolWeek) == 1;
    ApiProcessDetach();
    if (!install.Installed() || !bReady || nRounds < 1) {
        std::fputs("time page timing: cannot make the installation\n", stderr);
        return 1;
    }
    std::vector<double> editor;
    std::vector<double> page;
    std::vector<double> commit;
    for (int i = 0; i < nRounds; ++i) {
        CRound round;
        if (const char* szFailure = TimeRound(i, round)) {
            std::fprintf(stderr, "time page timing: %s\n", szFailure);
            return 1;
        }
        editor.push_back(round.dEditToEditor);
        page.push_back(round.dTabToPage);
        commit.push_back(round.dApplyToMessage);
    }
    Report("Edit clicked to editor shown", editor);
    Report("Time tab clicked to Time page shown", page);
    Report("Apply clicked to success message", commit);
    return 0;
}
