// Shared flags, configuration readers and log rotation.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Api/ChangeGuard.h"
#include "Api/Library.h"
#include "Api/PolicyApi.h"
#include "Api/SharedState.h"
#include "Api/portable/ServerAddress.h"
#include "log/portable/Format.h"
#include "win/FindHandle.h"
#include "win/ProductRegistry.h"

namespace {

constexpr size_t kIpTextMax = 15;  // "255.255.255.255"
constexpr size_t kPathTextMax = 1023;

void LogMissingValue(const char* szName) {
    LogApi(Format("API :: reg.GetValue Failed: %s->%s", kProductKeyPath, szName), 1);
}

// The switch as every process sees it. The first process to ask since the block was made takes
// it from the settings file; the others share that copy.
int FilterOffNow() {
    std::atomic_ref<std::int32_t> off(SharedPolicyState().iFilterOff);
    std::int32_t iOff = off.load();
    if (iOff == PolicySharedState::kFilterOffUnread) {
        std::string strFilter;
        const std::int32_t iRead =
            Store() != nullptr && Store()->ReadValue(kUserSection, "Filter", strFilter, 9) &&
                    strFilter == "TRUE"
                ? 1
                : 0;
        // A switch set meanwhile by another process stands.
        if (off.compare_exchange_strong(iOff, iRead)) {
            iOff = iRead;
        }
    }
    return iOff == 1 ? 1 : 0;
}

bool EndsWithLogExtension(const std::string& strName) {
    return strName.size() >= 4 && _stricmp(strName.c_str() + strName.size() - 4, ".Log") == 0;
}

}  // namespace

extern "C" int SetFilterOff(int iOff) {
    return GuardedWrite(0, [&] {
        const int iNew = iOff != 0 ? 1 : 0;
        // Filtering back on only tightens: open to every caller.
        if (iNew == 1 && !MayChange("SetFilterOff")) {
            return 0;
        }
        int iDone = 1;
        if (iNew != FilterOffNow()) {
            std::atomic_ref<std::int32_t>(SharedPolicyState().iFilterOff).store(iNew);
            iDone = Store() != nullptr && Store()->WriteString(kUserSection, "Filter",
                                                               iNew == 1 ? "TRUE" : "FALSE")
                        ? 1
                        : 0;
        }
        LogApi(iNew == 1 ? "API :: SetFilterOff TRUE" : "API :: SetFilterOff FALSE", 2);
        return iDone;
    });
}

extern "C" int GetFilterOff() {
    return Guarded(0, [] { return FilterOffNow(); });
}

extern "C" int IsUpdateRequire() {
    return std::atomic_ref<std::int32_t>(SharedPolicyState().iUpdateRequired)
                       .load(std::memory_order_acquire) != 0
               ? 1
               : 0;
}

extern "C" int UpdateRequire(int iRequired) {
    return Guarded(0, [&] {
        std::atomic_ref<std::int32_t>(SharedPolicyState().iUpdateRequired)
            .store(iRequired, std::memory_order_release);
        if (iRequired == 0) {
            LogApi("API :: UpdateRequire : FALSE value set", 2);
        }
        return 1;
    });
}

extern "C" int GetServerIP(unsigned long* pAddress) {
    return Guarded(0, [&] {
        LogApi("API :: GetServerIP");
        std::string strServer;
        unsigned long ulAddress = INADDR_NONE;
        if (Store() != nullptr && Store()->ReadValue(kUserSection, "Server", strServer, 19)) {
            ulAddress = ::inet_addr(strServer.c_str());
        }
        if (ulAddress == INADDR_NONE || pAddress == nullptr) {
            LogApi("API :: Incorrect address is returned", 1);
            return 0;
        }
        *pAddress = ulAddress;
        return 1;
    });
}

extern "C" int GetTLVServerIP(char* szIp, int* pPort) {
    return Guarded(0, [&] {
        LogApi("API :: GetTLVServerIP");
        if (szIp == nullptr || pPort == nullptr) {
            return 0;
        }
        // Read at every category lookup: through the kept key.
        bool bOpened = false;
        const auto ip = KeptProductKey().Read(
            [](HKEY hKey) { return ReadRegString(hKey, "TLVServerIP"); }, &bOpened);
        if (!bOpened) {
            return 1;
        }
        if (!ip) {
            LogMissingValue("TLVServerIP");
            return 0;
        }
        const auto port = KeptProductKey().Read(
            [](HKEY hKey) { return ReadRegDword(hKey, "TLVServerPort"); }, &bOpened);
        if (!port) {
            LogMissingValue("TLVServerPort");
            return 0;
        }
        // The callers' buffers hold a dotted address; anything longer is not one.
        if (ip->size() > kIpTextMax) {
            LogApi("API :: TLVServerIP is not an address: " + *ip, 1);
            return 0;
        }
        std::memcpy(szIp, ip->c_str(), ip->size() + 1);
        *pPort = static_cast<int>(*port);
        LogApi(Format("API :: IP=%s Port=%d", szIp, *pPort), 3);
        return 1;
    });
}

extern "C" int GetTLVTimeout() {
    return Guarded(0, [&] {
        LogApi("API :: GetTLVTimeout");
        const CRegKey key = OpenProductKey();
        if (!key) {
            return 0;
        }
        int iTimeout = 100;
        if (const auto timeout = ReadRegDword(key.Get(), "TLVTimeout")) {
            iTimeout = static_cast<int>(*timeout);
        } else {
            LogMissingValue("TLVTimeout");
        }
        LogApi(Format("API :: TIMEOUT %d", iTimeout), 3);
        return iTimeout;
    });
}

extern "C" int GetStrictFilter() {
    return Guarded(0, [&] {
        const CRegKey key = OpenProductKey();
        if (!key) {
            return 0;
        }
        const auto strict = ReadRegDword(key.Get(), "StrictFilter");
        return strict && *strict == 1 ? 1 : 0;
    });
}

extern "C" int GetTLVServer2(char* szIp, int* pPort) {
    return Guarded(0, [&] {
        if (szIp == nullptr || pPort == nullptr) {
            return 0;
        }
        const CRegKey key = OpenProductKey();
        const auto text = key ? ReadRegString(key.Get(), "TLVServer2") : std::nullopt;
        if (!text || text->empty()) {
            return 0;
        }
        const auto server = ParseServerAddress(*text);
        if (!server) {
            LogApi("API :: TLVServer2 is not an address and port: " + *text, 1);
            return 0;
        }
        const std::string strIp = FormatIpv4(server->uAddress);
        std::memcpy(szIp, strIp.c_str(), strIp.size() + 1);
        *pPort = server->uPort;
        return 1;
    });
}

extern "C" int GetCategoryCacheSeconds() {
    return Guarded(0, [&] {
        constexpr int kDefaultSeconds = 600;
        const CRegKey key = OpenProductKey();
        const auto seconds = key ? ReadRegDword(key.Get(), "CategoryCacheSeconds") : std::nullopt;
        // A day at most: a value read as negative would keep nothing, by surprise.
        return seconds ? static_cast<int>(std::min<DWORD>(*seconds, 86400)) : kDefaultSeconds;
    });
}

extern "C" int GetApplicationPath(char* szOut) {
    return Guarded(0, [&] {
        LogApi("API :: GetApplicationPath");
        if (szOut == nullptr) {
            return 0;
        }
        const CRegKey key = OpenProductKey();
        if (!key) {
            return 1;
        }
        const auto path = ReadRegString(key.Get(), "Application", kPathTextMax + 1);
        if (!path) {
            LogMissingValue("Application");
            return 0;
        }
        std::memcpy(szOut, path->c_str(), path->size() + 1);
        return 1;
    });
}

extern "C" int RenameFiles() {
    return Guarded(0, [&] {
        LogApi("API :: RenameFiles");
        char szFolder[kPathTextMax + 1] = {};
        if (!GetApplicationPath(szFolder) || szFolder[0] == '\0') {
            LogApi("API :: GetApplicationPath() failed in Rename Files", 1);
            return 0;
        }
        if (!::SetCurrentDirectoryA(szFolder)) {
            LogApi(Format("API :: SetCurrentDirectory failed : %lu", ::GetLastError()), 1);
            return 0;
        }
        const std::string strFolder = szFolder;
        // The whole list first: renaming while searching could meet a log that a write made
        // anew meanwhile, and rename it over the backup just made.
        std::vector<std::string> names;
        {
            WIN32_FIND_DATAA found;
            CFindHandle search(::FindFirstFileA((strFolder + "*.Log").c_str(), &found));
            if (!search) {
                LogApi("API :: FindFirstFile Failed in RenameFiles", 1);
                return 0;
            }
            do {
                // The pattern also matches names like x.logx through their short names.
                if (EndsWithLogExtension(found.cFileName)) {
                    names.emplace_back(found.cFileName);
                }
            } while (::FindNextFileA(search.Get(), &found));
        }
        for (const std::string& strName : names) {
            LogApi(strName, 3);
            const std::string strOld = strFolder + strName;
            const std::string strNew = strFolder + strName.substr(0, strName.size() - 3) + "Bak";
            if (!::DeleteFileA(strNew.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
                LogApi("API :: DeleteFile Failed in RenameFiles " + strNew, 1);
            }
            if (!::MoveFileA(strOld.c_str(), strNew.c_str())) {
                LogApi(Format("API :: MoveFile Failed in RenameFiles %s TO %s", strOld.c_str(),
                              strNew.c_str()),
                       1);
            }
        }
        LogApi("API :: Function successfully completed", 3);
        return 1;
    });
}
