// pcfamily: sets up a family's accounts and lists through PolicyApi.dll, and drives the
// running settings program's login window as a person would. For the main job and the
// browser test.
//   pcfamily [--admin NAME] --admin-password PW user NAME PASSWORD
//   pcfamily [--admin NAME] --admin-password PW lists PROFILE [--blocked-words W,...]
//                          [--allowed-words W,...] [--blocked-categories C,...]
//   pcfamily login NAME PASSWORD | logout | exit
//   pcfamily [--admin NAME] --admin-password PW filtering off
//   pcfamily filtering on
//   pcfamily whoami
//   pcfamily journal AFTER
// Changes to the settings are a parent's: the library takes them only after the password of
// an administrator ("admin" unless --admin names another) proved, as in the settings program.
// Filtering back on needs none. "lists" replaces all three lists (an option left out empties
// its list). "journal" prints the journal of blocks' entries numbered above AFTER, one a line
// (see Journal.h).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "tools/family/FamilySetup.h"
#include "tools/family/Journal.h"
#include "tools/family/LoginWindow.h"

namespace {

constexpr DWORD kProgramStartMs = 60000;

int Usage() {
    std::fputs(
        "usage: pcfamily [--admin NAME] --admin-password PW user NAME PASSWORD\n"
        "       pcfamily [--admin NAME] --admin-password PW lists PROFILE\n"
        "                [--blocked-words W,...] [--allowed-words W,...]\n"
        "                [--blocked-categories C,...]\n"
        "       pcfamily login NAME PASSWORD | logout | exit\n"
        "       pcfamily [--admin NAME] --admin-password PW filtering off\n"
        "       pcfamily filtering on\n"
        "       pcfamily whoami\n"
        "       pcfamily journal AFTER\n",
        stderr);
    return 2;
}

int Failed(const std::string& strError) {
    std::fprintf(stderr, "pcfamily: %s\n", strError.c_str());
    return 1;
}

int Lists(const std::vector<std::string>& args) {
    CProfileLists lists;
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return Usage();
        }
        const std::vector<std::string> texts = SplitList(args[i + 1]);
        if (args[i] == "--blocked-words") {
            lists.blockedWords = texts;
        } else if (args[i] == "--allowed-words") {
            lists.allowedWords = texts;
        } else if (args[i] == "--blocked-categories") {
            lists.blockedCategories = texts;
        } else {
            return Usage();
        }
    }
    std::string strError;
    return SetProfileLists(args[0], lists, strError) ? 0 : Failed(strError);
}

// The tray commands and the login need the settings program running.
int LoginWindowCommand(const std::string& strCommand, const std::vector<std::string>& args) {
    const HWND hLogin = FindLoginWindow(kProgramStartMs);
    if (hLogin == nullptr) {
        return Failed("the settings program's login window did not appear");
    }
    std::string strError;
    bool bDone = false;
    if (strCommand == "login" && args.size() == 2) {
        bDone = LogInThroughWindow(hLogin, args[0], args[1], strError);
    } else if (strCommand == "logout" && args.empty()) {
        bDone = LogOutThroughTray(hLogin, strError);
    } else if (strCommand == "exit" && args.empty()) {
        bDone = ExitThroughTray(hLogin, strError);
    } else {
        return Usage();
    }
    return bDone ? 0 : Failed(strCommand + ": " + strError);
}

int Journal(const std::string& strAfter) {
    char* pEnd = nullptr;
    const unsigned long long ullAfter = std::strtoull(strAfter.c_str(), &pEnd, 10);
    if (pEnd == strAfter.c_str() || *pEnd != '\0') {
        return Usage();
    }
    // The journal holds 256 entries at most.
    std::vector<BlockJournalEntry> entries(256);
    int nCount = 0;
    if (ReadBlockJournal(ullAfter, entries.data(), static_cast<int>(entries.size()), &nCount) !=
        1) {
        return Failed(std::string("the journal cannot be read: ") + GetLastErrorMessage());
    }
    for (int i = 0; i < nCount && i < static_cast<int>(entries.size()); ++i) {
        std::printf("%s\n", JournalLine(entries[static_cast<size_t>(i)]).c_str());
    }
    return 0;
}

}  // namespace

// The administrator options before the command; false for a password the library refused.
bool ProveAdministrator(std::vector<std::string>& words) {
    std::string strAdmin = "admin";
    std::string strPassword;
    bool bGiven = false;
    while (words.size() >= 2 && (words[0] == "--admin" || words[0] == "--admin-password")) {
        (words[0] == "--admin" ? strAdmin : strPassword) = words[1];
        bGiven |= words[0] == "--admin-password";
        words.erase(words.begin(), words.begin() + 2);
    }
    if (bGiven && ValidatePassword(strAdmin.c_str(), strPassword.c_str()) != 1) {
        std::fprintf(stderr, "pcfamily: the password of %s: %s\n", strAdmin.c_str(),
                     GetLastErrorMessage());
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    if (!ProveAdministrator(words)) {
        return 1;
    }
    if (words.empty()) {
        return Usage();
    }
    const std::string strCommand = words[0];
    const std::vector<std::string> args(words.begin() + 1, words.end());
    std::string strError;
    if (strCommand == "user" && args.size() == 2) {
        return MakeFamilyMember(args[0], args[1], strError) ? 0 : Failed(strError);
    }
    if (strCommand == "lists" && !args.empty()) {
        return Lists(args);
    }
    if (strCommand == "login" || strCommand == "logout" || strCommand == "exit") {
        return LoginWindowCommand(strCommand, args);
    }
    if (strCommand == "filtering" && args.size() == 1 && (args[0] == "on" || args[0] == "off")) {
        return SetFilterOff(args[0] == "off" ? 1 : 0) == 1
                   ? 0
                   : Failed(std::string("the switch did not move: ") + GetLastErrorMessage());
    }
    if (strCommand == "whoami" && args.empty()) {
        char szUser[LOGGED_IN_NAME_SIZE + 1] = {};
        std::printf("%s\n", GetCurrentUser(szUser) == 1 ? szUser : "Default");
        return 0;
    }
    if (strCommand == "journal" && args.size() == 1) {
        return Journal(args[0]);
    }
    return Usage();
}
