// How long a person waits for the settings program: from starting Gui.exe to its login window
// on screen, from clicking Login to the window gone to the tray, and for a parent editing a
// profile of 60 URL entries and 22 categories, from "Edit" on Select User to the editor shown
// and from "Done" to the success message. Run in a desktop session (scripts/bench-gui.sh);
// prints the median and the spread of each over the rounds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "bench/gui/Timing.h"
#include "gui/res/resource.h"
#include "tests/gui/support/GuiDriver.h"
#include "tests/gui/support/GuiProgram.h"
#include "tests/support/QuietInstallation.h"

namespace {

// Gives the administrator's own profile 30 allowed and 30 blocked URL entries and every
// category; false when the library refused.
bool FillAdministratorsProfile() {
    std::vector<std::string> urls;
    for (int i = 0; i < 60; ++i) {
        urls.push_back("site" + std::to_string(i) + ".example/some/longer/path");
    }
    std::vector<char*> allowed;
    std::vector<char*> blocked;
    for (size_t i = 0; i < urls.size(); ++i) {
        (i < 30 ? allowed : blocked).push_back(urls[i].data());
    }
    char** categories = nullptr;
    int nCategories = 0;
    if (GetAllCategory(&categories, &nCategories) != 1) {
        return false;
    }
    char** list = allowed.data();
    int count = static_cast<int>(allowed.size());
    bool bOk = SetURLList("admin", 1, &list, &count) == 1;
    list = blocked.data();
    count = static_cast<int>(blocked.size());
    bOk = bOk && SetURLList("admin", 0, &list, &count) == 1;
    bOk = bOk && SetCategoryList("admin", &categories, &nCategories) == 1;
    FreeListMemory(&categories, &nCategories);
    return bOk;
}

// One round of a parent editing his own profile: the two waits, in milliseconds. Returns
// what went wrong, or nullptr.
const char* TimeProfileEditing(int nRound, double& dEditToShown, double& dDoneToMessage) {
    CGuiProgram program;
    const COwnEditor own = OpenOwnProfileEditor(program);
    if (own.szFault != nullptr) {
        return own.szFault;
    }
    dEditToShown = own.dEditMs;
    const HWND hEditor = own.hEditor;
    // One change (new in every round), so that Done has something to write.
    const HWND hAdvanced = ::GetParent(gui::DescendantItem(hEditor, IDC_URL_ALLOWED_EDIT));
    gui::Click(::GetParent(hAdvanced), IDC_TAB_ADVANCED);
    if (!WaitClosely([&] { return ::IsWindowVisible(hAdvanced) != FALSE; })) {
        return "no Advanced page";
    }
    gui::TypeText(hAdvanced, IDC_URL_ALLOWED_EDIT, "added" + std::to_string(nRound) + ".example");
    gui::Click(hAdvanced, IDC_URL_ALLOWED_ADD);
    if (!WaitClosely([&] { return gui::ItemText(hAdvanced, IDC_URL_ALLOWED_EDIT).empty(); })) {
        return "the entry was not added";
    }
    if (!TimedCommit(program, hEditor, IDC_EDITOR_DONE, &dDoneToMessage)) {
        return "no success message";
    }
    return CloseFromAdministration(program, own);
}

}  // namespace

int main(int argc, char** argv) {
    const int nRounds = argc > 1 ? std::atoi(argv[1]) : 10;
    const CQuietInstallation install;
    ApiProcessAttach();
    // Once there is an administrator, changes need the administrator's proof.
    const bool bUsers = CreateUser("admin", "secret", USER_TYPE_SUPER_ADMIN) == 1 &&
                        ValidatePassword("admin", "secret") == 1 &&
                        CreateUser("kid", "chess", USER_TYPE_USER) == 1 &&
                        FillAdministratorsProfile();
    ApiProcessDetach();
    if (!install.Installed() || !bUsers) {
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
    std::vector<double> editorShown;
    std::vector<double> saved;
    for (int i = 0; i < nRounds; ++i) {
        double dShown = 0;
        double dSaved = 0;
        if (const char* szFailure = TimeProfileEditing(i, dShown, dSaved)) {
            std::fprintf(stderr, "gui timing: editing a profile: %s\n", szFailure);
            return 1;
        }
        editorShown.push_back(dShown);
        saved.push_back(dSaved);
    }
    Report("start to login window shown", shown);
    Report("Login clicked to window hidden", hidden);
    Report("Edit clicked to profile editor shown", editorShown);
    Report("Done clicked to success message", saved);
    return 0;
}
