// A double-click installation: starts "msiexec /i PACKAGE" with its user interface and answers the
// package's password dialog from outside, as a parent would: OK with nothing typed, then two
// passwords that differ (each refused with the settings program's message, the fields emptied),
// then the password twice. Saves a picture of the dialog as package-password.png.
//   package_dialog_driver PACKAGE PASSWORD
// With --cancel for the password, the parent cancels instead, and msiexec must end with
// ERROR_INSTALL_USEREXIT.
// Exit status 0 when every step went so and msiexec ended as it should, else 1 (what did not, on
// standard error).
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/gui/support/GuiDriver.h"
#include "tools/package/actions/PasswordDialogIds.h"
#include "win/ProcessHandles.h"

namespace {

int g_nFailures = 0;

void Expect(bool bHeld, const char* szWhat) {
    if (!bHeld) {
        std::fprintf(stderr, "package_dialog_driver: %s\n", szWhat);
        ++g_nFailures;
    }
}

// OK, and the message box it brings, answered; its text.
std::string RefusedWith(HWND hDialog) {
    gui::Click(hDialog, IDOK);
    const HWND hBox = gui::FindMessageBox(0, hDialog);
    if (hBox == nullptr) {
        return "";
    }
    const std::string strText = gui::MessageBoxText(hBox);
    gui::AnswerMessageBox(hBox, IDOK);
    return strText;
}

// The steps a parent takes; false when one went otherwise.
bool AnswerDialog(const char* szPassword) {
    const HWND hDialog = gui::FindDialog(0, "Parental Control");
    if (hDialog == nullptr) {
        std::fprintf(stderr, "package_dialog_driver: no password dialog came\n");
        return false;
    }
    Expect(gui::BecomesVisible(hDialog), "the dialog is not shown");
    gui::Screenshot(hDialog, "package-password");
    Expect(gui::ItemText(hDialog, IDC_NEWPW_NAME) == "admin", "the name is not admin");

    Expect(RefusedWith(hDialog) == "Please enter password", "an empty password is not refused");
    gui::TypeText(hDialog, IDC_NEWPW_PASSWORD, "first-try");
    gui::TypeText(hDialog, IDC_NEWPW_CONFIRM, "first-trx");
    Expect(RefusedWith(hDialog).rfind("The password was not correctly confirmed.", 0) == 0,
           "two different passwords are not refused");
    Expect(gui::ItemText(hDialog, IDC_NEWPW_PASSWORD).empty() &&
               gui::ItemText(hDialog, IDC_NEWPW_CONFIRM).empty(),
           "the refused passwords stay in their fields");

    gui::TypeText(hDialog, IDC_NEWPW_PASSWORD, szPassword);
    gui::TypeText(hDialog, IDC_NEWPW_CONFIRM, szPassword);
    gui::Click(hDialog, IDOK);
    Expect(gui::WaitUntil([&] { return !::IsWindow(hDialog); }), "the dialog stays after OK");
    return g_nFailures == 0;
}

bool Cancel() {
    const HWND hDialog = gui::FindDialog(0, "Parental Control");
    if (hDialog == nullptr) {
        std::fprintf(stderr, "package_dialog_driver: no password dialog came\n");
        return false;
    }
    gui::Click(hDialog, IDCANCEL);
    return gui::WaitUntil([&] { return !::IsWindow(hDialog); });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: package_dialog_driver PACKAGE PASSWORD\n");
        return 2;
    }
    std::string strCommand = "msiexec /i \"" + std::string(argv[1]) + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        std::fprintf(stderr, "package_dialog_driver: cannot start msiexec: error %lu\n",
                     ::GetLastError());
        return 1;
    }
    const CProcessHandles msiexec = OwnProcessHandles(info);
    const bool bCancel = std::string(argv[2]) == "--cancel";
    const bool bAnswered = bCancel ? Cancel() : AnswerDialog(argv[2]);
    DWORD dwExit = 1;
    if (::WaitForSingleObject(msiexec.process.Get(), bAnswered ? gui::kWaitMs * 5 : 0) !=
            WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(msiexec.process.Get(), &dwExit)) {
        std::fprintf(stderr, "package_dialog_driver: msiexec did not finish\n");
        ::TerminateProcess(msiexec.process.Get(), 1);
        return 1;
    }
    const DWORD dwExpected = bCancel ? ERROR_INSTALL_USEREXIT : ERROR_SUCCESS;
    if (dwExit != dwExpected) {
        std::fprintf(stderr, "package_dialog_driver: msiexec ended with %lu, not %lu\n", dwExit,
                     dwExpected);
    }
    return bAnswered && dwExit == dwExpected ? 0 : 1;
}
