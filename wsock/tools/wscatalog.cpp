// wscatalog: sets up the stand-in Winsock catalogues as a 64-bit Windows installation has
// them, with the base provider's entries, so that an installer can layer over them.
//   wscatalog base [WSBASE32]
//                       replace both catalogues with the base provider's entries; with the
//                       32-bit base provider's path, that of 32-bit programs names it
//   wscatalog clear     remove both catalogues
//   wscatalog list      print this process's catalogue in order, then that of 32-bit programs
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "win/ProgramFolder.h"
#include "wsock/catalog/BaseEntries.h"
#include "wsock/catalog/CatalogStore.h"

namespace {

int List(int(WSPAPI* pEnum)(LPINT, LPWSAPROTOCOL_INFOW, LPDWORD, LPINT)) {
    DWORD cb = 0;
    int iError = 0;
    pEnum(nullptr, nullptr, &cb, &iError);
    std::vector<WSAPROTOCOL_INFOW> records(cb / sizeof(WSAPROTOCOL_INFOW));
    const int n = pEnum(nullptr, records.data(), &cb, &iError);
    for (int i = 0; i < n; ++i) {
        std::printf("%4lu  chain %d  %ls\n", records[static_cast<size_t>(i)].dwCatalogEntryId,
                    records[static_cast<size_t>(i)].ProtocolChain.ChainLen,
                    records[static_cast<size_t>(i)].szProtocol);
    }
    return n >= 0 ? 0 : 1;
}

// Both catalogues with the base entries alone; szPath32, when given, is the 32-bit base
// provider that those of 32-bit programs name.
int InstallBases(const char* szPath32) {
    wsock::DeleteCatalog();
    wsock::DeleteCatalog(wsock::CatalogView::k32Bit);
    auto records = wsock::BaseRecords();
    GUID baseId = wsock::kBaseProviderId;
    int iError = 0;
    const std::wstring path = ProgramFolder() + L"wsbase.dll";
    if (::WSCInstallProvider64_32(&baseId, path.c_str(), records.data(),
                                  static_cast<DWORD>(records.size()), &iError) == SOCKET_ERROR) {
        std::fprintf(stderr, "wscatalog: installing the base entries failed: %d\n", iError);
        return 1;
    }
    if (szPath32 == nullptr) {
        return 0;
    }
    const std::string strPath32 = szPath32;
    const std::wstring path32(strPath32.begin(), strPath32.end());
    if (::WSCUpdateProvider32(&baseId, path32.c_str(), records.data(),
                              static_cast<DWORD>(records.size()), &iError) == SOCKET_ERROR) {
        std::fprintf(stderr, "wscatalog: naming the 32-bit base provider failed: %d\n", iError);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strCommand = argc >= 2 ? argv[1] : "";
    if (strCommand == "clear" && argc == 2) {
        wsock::DeleteCatalog();
        wsock::DeleteCatalog(wsock::CatalogView::k32Bit);
        return 0;
    }
    if (strCommand == "list" && argc == 2) {
        const int iResult = List(::WSCEnumProtocols);
        std::printf("32-bit programs:\n");
        return List(::WSCEnumProtocols32) | iResult;
    }
    if (strCommand == "base" && argc <= 3) {
        return InstallBases(argc == 3 ? argv[2] : nullptr);
    }
    std::fprintf(stderr, "usage: wscatalog base [WSBASE32] | clear | list\n");
    return 2;
}
