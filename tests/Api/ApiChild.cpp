// A process that has PolicyApi.dll loaded, for the tests of the shared block and of writers in
// several processes.
// Usage: api_child <output file> <command>...
//   login:NAME  setfilteroff:N  user  instances  filteroff  signal:EVENT  wait:EVENT
//   steps:NAME      a named semaphore that ties the two below together
//   writes:NAME:N   N times: a list write to NAME's categories, then a new user NAME.i; each
//                   write sequence done is counted on the steps semaphore
//   tamper:FILE     alter the file's user count a few times, each after a write sequence of
//                   the writers has been counted since the last
//   blocks:N[:NAME] N blocks recorded in the journal, as process NAME (default: the library's)
//   journal         the number of entries the journal holds
// Each query appends one line to the output file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Api/PolicyApi.h"
#include "Api/SettingsLock.h"
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
        nFailed += CreateUser(strUser.c_str(), "pw", USER_TYPE_USER) == 1 ? 0 : 1;
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
                std::fprintf(pOut, "instances %d\n", g_iInstance);
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
                return false;
            }
            return true;
        });
}
