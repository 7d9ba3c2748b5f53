// Cost of the settings store's integrity check on a realistic file, under Wine or Windows.
// Prints the time of one verified read against one digest of the file plus one raw profile
// read, the time of reading long lists, and of the calls a parent's changes are made of.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "Api/portable/Crypto.h"
#include "Api/portable/FileDigest.h"
#include "Api/portable/IdList.h"
#include "tools/install/Installer.h"
#include "win/ProductRegistry.h"

namespace {

constexpr int kUsers = 10;
constexpr int kUrlsPerList = 1024;
constexpr int kCategories = 60;

double Milliseconds(const std::function<void()>& action, int nRuns) {
    LARGE_INTEGER frequency, start, stop;
    ::QueryPerformanceFrequency(&frequency);
    action();  // warm-up
    ::QueryPerformanceCounter(&start);
    for (int i = 0; i < nRuns; ++i) {
        action();
    }
    ::QueryPerformanceCounter(&stop);
    return 1000.0 * static_cast<double>(stop.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart) / nRuns;
}

// How many of the ids first..first+n fit in one stored id list.
int IdsThatFit(int iFirst, int nWanted) {
    std::vector<int> ids;
    for (int i = 0; i < nWanted; ++i) {
        ids.push_back(iFirst + i);
        if (FormatIdList(ids).size() > CCrypto::kMaxClearLength) {
            return i;
        }
    }
    return nWanted;
}

bool BuildInstallation(const std::string& strFolder) {
    std::filesystem::create_directories(strFolder);
    std::string strCategories;
    for (int i = 1; i <= kCategories - 1; ++i) {
        strCategories += "Category" + std::to_string(i) + ",";
    }
    std::ofstream(strFolder + "categories.txt") << strCategories << "\n";
    CInstallOptions options;
    options.strFolder = strFolder;
    options.strCategoryFile = strFolder + "categories.txt";
    options.strAdminPassword = "secret";
    options.bForce = true;
    std::string strError;
    if (!Install(options, strError)) {
        std::fprintf(stderr, "install failed: %s\n", strError.c_str());
        return false;
    }
    ApiProcessAttach();
    // Changes need the administrator's proof, as in the settings program.
    if (ValidatePassword("admin", "secret") != 1) {
        std::fprintf(stderr, "the administrator's password was refused\n");
        return false;
    }
    for (int i = 3; i <= kUsers; ++i) {
        CreateUser(("user" + std::to_string(i)).c_str(), "pw", USER_TYPE_USER);
    }
    // The global list through the raw writer, then one digest: the store would digest the
    // file again after every element.
    IniFile& ini = Store()->File();
    for (int i = 1; i <= 2 * kUrlsPerList; ++i) {
        const std::string strUrl = (i <= kUrlsPerList ? "allowed-site-" : "blocked-site-") +
                                   std::to_string(i) + ".example";
        ini.WriteString("URL", std::to_string(i).c_str(), strUrl.c_str());
    }
    ini.WriteInt("URL", "Total", 2 * kUrlsPerList);
    ini.UpdateDigest();
    // A user's list is one stored value: it holds as many ids as fit.
    for (int iAllowed = 1; iAllowed >= 0; --iAllowed) {
        const int iFirst = iAllowed ? 1 : kUrlsPerList + 1;
        std::vector<int> ids;
        for (int i = 0; i < IdsThatFit(iFirst, kUrlsPerList); ++i) {
            ids.push_back(iFirst + i);
        }
        Store()->WriteString("USER3", iAllowed ? "AURL" : "BURL", FormatIdList(ids).c_str());
    }
    return true;
}

}  // namespace

int main() {
    char szTemp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, szTemp);
    const std::string strFolder = std::string(szTemp) + "pc-bench\\";
    if (!BuildInstallation(strFolder)) {
        return 1;
    }
    const std::string strFile = SettingsFilePath(strFolder);
    // Wine parses a changed profile file again for a while after each change.
    ::Sleep(2500);

    char szRaw[4096];
    std::string strValue;
    const double dDigest = Milliseconds([&] { GetFileDigestText(strFile); }, 200);
    const double dRaw = Milliseconds(
        [&] {
            ::GetPrivateProfileStringA("USER3", "Name", "", szRaw, sizeof szRaw, strFile.c_str());
        },
        200);
    const double dVerified =
        Milliseconds([&] { Store()->ReadValue("USER3", "Name", strValue); }, 200);

    char** list = nullptr;
    int count = 0;
    const double dAll = Milliseconds(
        [&] {
            GetAllURL(&list, &count);
            FreeListMemory(&list, &count);
        },
        5);
    GetAllURL(&list, &count);
    const int nAll = count;
    FreeListMemory(&list, &count);
    const double dUser = Milliseconds(
        [&] {
            GetURLList("user3", 0, &list, &count);
            FreeListMemory(&list, &count);
        },
        20);
    GetURLList("user3", 0, &list, &count);
    const int nUser = count;
    FreeListMemory(&list, &count);

    const double dValidate = Milliseconds([&] { ValidatePassword("admin", "secret"); }, 10);
    // The proved account: another's login would end the proof the calls below need.
    const double dLogin = Milliseconds([&] { UserLogIn("admin"); }, 200);
    const double dFilter = Milliseconds(
        [&] {
            SetFilterOff(1);
            SetFilterOff(0);
        },
        20);
    std::vector<std::string> words;
    for (int i = 1; i <= 10; ++i) {
        words.push_back("allowed-site-" + std::to_string(i) + ".example");
    }
    std::vector<char*> record;
    for (std::string& strWord : words) {
        record.push_back(strWord.data());
    }
    const double dSetList = Milliseconds(
        [&] {
            char** ppList = record.data();
            int n = static_cast<int>(record.size());
            SetURLList("user4", 1, &ppList, &n);
        },
        3);
    // Open to all, and the end of the proof.
    const double dLogout = Milliseconds([&] { UserLogOut(); }, 200);

    std::printf("settings file: %lld bytes\n",
                static_cast<long long>(std::filesystem::file_size(strFile)));
    std::printf("digest of the file:          %8.3f ms\n", dDigest);
    std::printf("raw profile read:            %8.3f ms\n", dRaw);
    std::printf("verified read (ReadValue):   %8.3f ms\n", dVerified);
    std::printf("verified / (digest + read) = %.2f (target <= 1.5)\n",
                dVerified / (dDigest + dRaw));
    std::printf("GetAllURL, %d entries:     %8.3f ms\n", nAll, dAll);
    std::printf("GetURLList, %d entries:     %8.3f ms (the longest list one value holds)\n", nUser,
                dUser);
    std::printf("ValidatePassword:            %8.3f ms\n", dValidate);
    std::printf("UserLogIn, the proved one:   %8.3f ms\n", dLogin);
    std::printf("UserLogOut:                  %8.3f ms\n", dLogout);
    std::printf("SetFilterOff(1) + (0):       %8.3f ms\n", dFilter);
    std::printf("SetURLList, 10 known texts:  %8.3f ms\n", dSetList);

    ApiProcessDetach();
    std::string strError;
    Uninstall(strFolder, strError);
    std::filesystem::remove_all(strFolder);
    return 0;
}
