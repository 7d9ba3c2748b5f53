#include "wsock/host/ImportPatch.h"

#include <cstdint>
#include <cstring>

namespace wsock {

namespace {

template <class T>
T* At(HMODULE hModule, DWORD dwRva) noexcept {
    return reinterpret_cast<T*>(reinterpret_cast<std::uint8_t*>(hModule) + dwRva);
}

bool WriteSlot(ULONG_PTR* pSlot, ULONG_PTR uValue) noexcept {
    DWORD dwOld = 0;
    if (!::VirtualProtect(pSlot, sizeof *pSlot, PAGE_READWRITE, &dwOld)) {
        return false;
    }
    *pSlot = uValue;
    ::VirtualProtect(pSlot, sizeof *pSlot, dwOld, &dwOld);
    return true;
}

const IMAGE_DATA_DIRECTORY* Directory(HMODULE hModule, int iEntry) noexcept {
    const auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(hModule);
    if (pDos->e_magic != IMAGE_DOS_SIGNATURE) {
        return nullptr;
    }
    const auto* pNt = At<const IMAGE_NT_HEADERS>(hModule, static_cast<DWORD>(pDos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[iEntry];
    return dir.VirtualAddress != 0 ? &dir : nullptr;
}

// The name hExporter exports under an ordinal, or null. Programs built with Microsoft's tools
// import the old socket calls of ws2_32 by ordinal only; the platform's ws2_32 numbers them as
// Windows does.
const char* NameOfOrdinal(HMODULE hExporter, WORD wOrdinal) noexcept {
    const IMAGE_DATA_DIRECTORY* pDir =
        hExporter != nullptr ? Directory(hExporter, IMAGE_DIRECTORY_ENTRY_EXPORT) : nullptr;
    if (pDir == nullptr) {
        return nullptr;
    }
    const auto* pExports = At<const IMAGE_EXPORT_DIRECTORY>(hExporter, pDir->VirtualAddress);
    if (wOrdinal < pExports->Base) {
        return nullptr;
    }
    const DWORD dwIndex = wOrdinal - pExports->Base;
    const auto* pNames = At<const DWORD>(hExporter, pExports->AddressOfNames);
    const auto* pIndexes = At<const WORD>(hExporter, pExports->AddressOfNameOrdinals);
    for (DWORD i = 0; i < pExports->NumberOfNames; ++i) {
        if (pIndexes[i] == dwIndex) {
            return At<const char>(hExporter, pNames[i]);
        }
    }
    return nullptr;
}

// The kernel32 calls a program's socket handles need from the host, by the host's names.
const char* HostNameForKernelImport(const char* szName) noexcept {
    return std::strcmp(szName, "CreateIoCompletionPort") == 0 ? "WshCreateIoCompletionPort"
                                                              : nullptr;
}

bool IsKernel32(const char* szDll) noexcept {
    return ::lstrcmpiA(szDll, "kernel32.dll") == 0 ||
           ::_strnicmp(szDll, "api-ms-win-core-io-", 19) == 0;
}

// The host's replacement for one import, or null.
FARPROC Replacement(const IMAGE_THUNK_DATA& name, HMODULE hModule, bool bWinsock,
                    HMODULE hReplacement) noexcept {
    const char* szName = nullptr;
    if (IMAGE_SNAP_BY_ORDINAL(name.u1.Ordinal)) {
        if (!bWinsock) {
            return nullptr;
        }
        szName = NameOfOrdinal(::GetModuleHandleW(L"ws2_32.dll"),
                               static_cast<WORD>(IMAGE_ORDINAL(name.u1.Ordinal)));
    } else {
        szName = reinterpret_cast<const char*>(
            At<const IMAGE_IMPORT_BY_NAME>(hModule, static_cast<DWORD>(name.u1.AddressOfData))
                ->Name);
        if (!bWinsock) {
            szName = HostNameForKernelImport(szName);
        }
    }
    return szName != nullptr ? ::GetProcAddress(hReplacement, szName) : nullptr;
}

}  // namespace

int RedirectWinsockImports(HMODULE hModule, HMODULE hReplacement, ImportScope scope) noexcept {
    const IMAGE_DATA_DIRECTORY* pDir = hModule != nullptr && hReplacement != nullptr
                                           ? Directory(hModule, IMAGE_DIRECTORY_ENTRY_IMPORT)
                                           : nullptr;
    if (pDir == nullptr) {
        return 0;
    }
    int nPatched = 0;
    for (auto* pDesc = At<const IMAGE_IMPORT_DESCRIPTOR>(hModule, pDir->VirtualAddress);
         pDesc->Name != 0; ++pDesc) {
        const char* szDll = At<const char>(hModule, pDesc->Name);
        const bool bWinsock = ::lstrcmpiA(szDll, "ws2_32.dll") == 0;
        if (!bWinsock && !(scope == ImportScope::kProgram && IsKernel32(szDll))) {
            continue;
        }
        // Names come from the lookup table; the address table already holds resolved targets.
        const DWORD dwNames =
            pDesc->OriginalFirstThunk != 0 ? pDesc->OriginalFirstThunk : pDesc->FirstThunk;
        const auto* pName = At<const IMAGE_THUNK_DATA>(hModule, dwNames);
        auto* pSlot = At<IMAGE_THUNK_DATA>(hModule, pDesc->FirstThunk);
        for (; pName->u1.AddressOfData != 0; ++pName, ++pSlot) {
            const FARPROC pfn = Replacement(*pName, hModule, bWinsock, hReplacement);
            if (pfn != nullptr &&
                WriteSlot(&pSlot->u1.Function, reinterpret_cast<ULONG_PTR>(pfn))) {
                ++nPatched;
            }
        }
    }
    return nPatched;
}

}  // namespace wsock
