// A process that has PolicyApi.dll loaded, for the tests of the shared block and of writers in
// several processes.
// Usage: api_child <output file> <command>...
//   login:NAME  setfilteroff:N  user  instances  filteroff  signal:EVENT  wait:EVENT
//   prove:NAME:PASSWORD   ValidatePassword; writes "prove NAME 1|0 MESSAGE"
//   try:ACTION      one change, with its result: "try ACTION 1|0 MESSAGE". ACTION is
//                   filteroff, filteron, login=NAME, logout, endproof, create=NAME,
//                   block=PROFILE=WORD, password=NAME=NEW, group=NAME=GROUP or delete=NAME
//   users           the names of every account, "users A,B,..."
//   blocked:PROFILE the profile's blocked words, "blocked PROFILE W,..."
//   steps:NAME      a named semaphore that ties the two below together
//   writes:NAME:N   N times: a list write to NAME's categories, then a new user NAME.i; each
//                   write sequence done is counted on the steps semaphore
//   tamper:FILE     alter the file's user count a few times, each after a write sequence of
//                   the writers has been counted since the last
//   blocks:N[:NAME] N blocks recorded in the journal, as process NAME (default: the library's)
//   journal         the number of entries the journal holds
//   input           RecordUserInput(0), as the settings program records input just made
//   request:PROFILE CountInternetMinute for a judged request, as the filter does while nothing
//                   records input
//   timeused:PROFILE the minutes GetTimeState gives, "timeused PROFILE N"
// Each query appends one line to the output file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/SettingsLock.h"
#include "Api/SharedState.h"
#include "Api/portable/Crypto.h"
#include "tests/support/ChildCommands.h"
#include "win/MutexLock.h"
#include "win/UniqueHandle.h"

namespace {

const char* const kCategories[] = {"Adult", "Gambling", "News", "Sports"};

// The write sequences done, counted across processes ("steps:NAME"); none when not named.
CHandle g_steps;

void CountStep() {
    if (g_steps) {
        ::ReleaseSemaphore(g_steps.Get(), 1, nullptr);
    }
}

// Counts the calls that failed.
int Writes(const std::string& strArg) {
    const size_t colon = strArg.find(':');
    const std::string strName = strArg.substr(0, colon);
    const int nWrites = std::atoi(strArg.c_str() + colon + 1);
    int nFailed = 0;
    for (int i = 0; i < nWrites; ++i) {
        std::vector<const char*> list = {kCategories[i % 4]};
        char** ppList = const_cast<char**>(list.data());
        int count = 1;
        nFailed += SetCategoryList(strName.c_str(), &ppList, &count) == 1 ? 0 : 1;
        CountStep();
        const std::string strUser = strName + "." + std::to_string(i);
        // No password: nothing to hash, the test is about the writes.
        nFailed += CreateUser(strUser.c_str(), "", USER_TYPE_USER) == 1 ? 0 : 1;
        CountStep();
    }
    return nFailed;
}

// Alters the file's user count kAlterations times, each between two write sequences of the
// other processes (as a hand edit would land), and counts the alterations made.
int Tamper(const std::string& strFile) {
    constexpr int kAlterations = 8;
    const CHandle mutex(::CreateMutexA(nullptr, FALSE, CSettingsLock::kMutexName));
    CCrypto crypto;
    crypto.Encode("1");
    int nTampered = 0;
    for (int i = 0; i < kAlterations; ++i) {
        // A writer met the last alteration (or began) before the next: each lands between
        // write sequences, however fast or slow the processes run.
        if (i > 0 && g_steps && ::WaitForSingleObject(g_steps.Get(), 60000) != WAIT_OBJECT_0) {
            break;
        }
        const CMutexLock lock(mutex.Get());
        // Read the file afresh: it changed in other processes since this one last saw it.
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, strFile.c_str());
        nTampered +=
            ::WritePrivateProfileStringA("USER", "Total", crypto.OutputText(), strFile.c_str()) ? 1
                                                                                                : 0;
    }
    return nTampered;
}

// Block i goes to host "block<i>.example"; counts the calls that failed.
int Blocks(const std::string& strArg) {
    const size_t colon = strArg.find(':');
    const int nBlocks = std::atoi(strArg.c_str());
    const std::string strProcess = colon == std::string::npos ? "" : strArg.substr(colon + 1);
    int nFailed = 0;
    for (int i = 0; i < nBlocks; ++i) {
        BlockJournalEntry entry{};
        entry.iPolicy = 3;
        entry.iScheme = BLOCK_SCHEME_HTTP;
        const std::string strHost = "block" + std::to_string(i) + ".example";
        std::snprintf(entry.szProfile, sizeof entry.szProfile, "kid");
        std::snprintf(entry.szProcess, sizeof entry.szProcess, "%s", strProcess.c_str());
        std::snprintf(entry.szHost, sizeof entry.szHost, "%s", strHost.c_str());
        std::snprintf(entry.szUrl, sizeof entry.szUrl, "http://%s/page", strHost.c_str());
        std::snprintf(entry.szMatch, sizeof entry.szMatch, "word%d", i);
        nFailed += AppendBlockJournal(&entry) == 1 ? 0 : 1;
    }
    return nFailed;
}

std::vector<std::string> Split(const std::string& strText, char cSeparator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = strText.find(cSeparator, start)) != std::string::npos;
         start = end + 1) {
        parts.push_back(strText.substr(start, end - start));
    }
    parts.push_back(strText.substr(start));
    return parts;
}

std::string Joined(char** list, int count) {
    std::string strText;
    for (int i = 0; i < count; ++i) {
        strText += (i > 0 ? "," : "") + std::string(list[i]);
    }
    return strText;
}

// The result of one change named as in try:ACTION; -1 for an action it does not know.
int TryChange(const std::string& strAction) {
    const std::vector<std::string> parts = Split(strAction, '=');
    const std::string& strWhat = parts[0];
    const char* szArg = parts.size() > 1 ? parts[1].c_str() : "";
    const char* szArg2 = parts.size() > 2 ? parts[2].c_str() : "";
    if (strWhat == "filteroff" || strWhat == "filteron") {
        return SetFilterOff(strWhat == "filteroff" ? 1 : 0);
    }
    if (strWhat == "login") {
        return UserLogIn(szArg);
    }
    if (strWhat == "logout") {
        return UserLogOut();
    }
    if (strWhat == "endproof") {
        return EndProof();
    }
    if (strWhat == "create") {
        return CreateUser(szArg, "pw", USER_TYPE_USER);
    }
    if (strWhat == "block") {
        const char* words[] = {szArg2};
        char** list = const_cast<char**>(words);
        int count = 1;
        return SetURLList(szArg, 0, &list, &count);
    }
    if (strWhat == "password") {
        return ChangePassword(szArg, szArg2);
    }
    if (strWhat == "group") {
        return SetGroup(szArg, std::atoi(szArg2));
    }
    if (strWhat == "delete") {
        return DeleteUser(szArg);
    }
    return -1;
}

bool Query(const std::string& strVerb, const std::string& strArg, FILE* pOut) {
    if (strVerb == "prove") {
        const size_t colon = strArg.find(':');
        const std::string strName = strArg.substr(0, colon);
        const int iResult = ValidatePassword(strName.c_str(), strArg.c_str() + colon + 1);
        std::fprintf(pOut, "prove %s %d %s\n", strName.c_str(), iResult, GetLastErrorMessage());
    } else if (strVerb == "try") {
        const int iResult = TryChange(strArg);
        std::fprintf(pOut, "try %s %d %s\n", strArg.c_str(), iResult, GetLastErrorMessage());
        return iResult >= 0;
    } else if (strVerb == "users") {
        char** list = nullptr;
        int count = 0;
        GetAllUsers(list, count);
        std::fprintf(pOut, "users %s\n", Joined(list, count).c_str());
        FreeListMemory(&list, &count);
    } else if (strVerb == "input") {
        RecordUserInput(0);
    } else if (strVerb == "request") {
        CountInternetMinute(strArg.c_str(), TIME_USAGE_SAVE_ALONE, nullptr);
    } else if (strVerb == "timeused") {
        TimeState state{};
        const int iResult = GetTimeState(strArg.c_str(), &state);
        std::fprintf(pOut, "timeused %s %d\n", strArg.c_str(), iResult == 1 ? state.iUsed : -1);
    } else if (strVerb == "blocked") {
        char** list = nullptr;
        int count = 0;
        GetURLList(strArg.c_str(), 0, &list, &count);
        std::fprintf(pOut, "blocked %s %s\n", strArg.c_str(), Joined(list, count).c_str());
        FreeListMemory(&list, &count);
    } else {
        return false;
    }
    return true;
}

// The process count, from the library's block opened by its name, as any program of the
// session can: the library exports none of it.
int InstanceCount() {
    const CHandle mapping(::OpenFileMappingW(FILE_MAP_READ, FALSE, kPolicyStateName));
    const CMappedView view(
        mapping ? ::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(PolicySharedState))
                : nullptr);
    if (!view) {
        return -1;
    }
    return static_cast<const PolicySharedState*>(view.Get())->iInstances;
}

int JournalCount() {
    std::vector<BlockJournalEntry> entries(256);
    int nCount = -1;
    return ReadBlockJournal(0, entries.data(), 256, &nCount) == 1 ? nCount : -1;
}

}  // namespace

int main(int argc, char** argv) {
    return RunChildCommands(
        argc, argv, [](const std::string& strVerb, const std::string& strArg, FILE* pOut) {
            if (strVerb == "steps") {
                g_steps.Reset(::CreateSemaphoreA(nullptr, 0, 0x7FFFFFFF, strArg.c_str()));
            } else if (strVerb == "login") {
                UserLogIn(strArg.c_str());
            } else if (strVerb == "setfilteroff") {
                SetFilterOff(std::atoi(strArg.c_str()));
            } else if (strVerb == "user") {
                char szName[24] = {};
                GetCurrentUser(szName);
                std::fprintf(pOut, "user %s\n", szName);
            } else if (strVerb == "instances") {
                std::fprintf(pOut, "instances %d\n", InstanceCount());
            } else if (strVerb == "filteroff") {
                std::fprintf(pOut, "filteroff %d\n", GetFilterOff());
            } else if (strVerb == "writes") {
                std::fprintf(pOut, "failed %d\n", Writes(strArg));
            } else if (strVerb == "blocks") {
                std::fprintf(pOut, "failed %d\n", Blocks(strArg));
            } else if (strVerb == "journal") {
                std::fprintf(pOut, "journal %d\n", JournalCount());
            } else if (strVerb == "tamper") {
                std::fprintf(pOut, "tampered %d\n", Tamper(strArg));
            } else {
                return Query(strVerb, strArg, pOut);
            }
            return true;
        });
}
