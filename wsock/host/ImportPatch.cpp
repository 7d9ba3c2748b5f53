#include "wsock/host/ImportPatch.h"

#include <cstdint>
#include <cstring>

namespace wsock {

namespace {

template <class T>
T* At(HMODULE hModule, DWORD dwRva) noexcept {
    return reinterpret_cast<T*>(reinterpret_cast<std::uint8_t*>(hModule) + dwRva);
}

bool WriteSlot(ULONGLONG* pSlot, ULONGLONG uValue) noexcept {
    DWORD dwOld = 0;
    if (!::VirtualProtect(pSlot, sizeof *pSlot, PAGE_READWRITE, &dwOld)) {
        return false;
    }
    *pSlot = uValue;
    ::VirtualProtect(pSlot, sizeof *pSlot, dwOld, &dwOld);
    return true;
}

}  // namespace

int RedirectWinsockImports(HMODULE hModule, HMODULE hReplacement) noexcept {
    if (hModule == nullptr || hReplacement == nullptr) {
        return 0;
    }
    const auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(hModule);
    if (pDos->e_magic != IMAGE_DOS_SIGNATURE) {
        return 0;
    }
    const auto* pNt = At<const IMAGE_NT_HEADERS64>(hModule, static_cast<DWORD>(pDos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& dir =
        pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) {
        return 0;
    }
    int nPatched = 0;
    for (auto* pDesc = At<const IMAGE_IMPORT_DESCRIPTOR>(hModule, dir.VirtualAddress);
         pDesc->Name != 0; ++pDesc) {
        if (::lstrcmpiA(At<const char>(hModule, pDesc->Name), "ws2_32.dll") != 0) {
            continue;
        }
        // Names come from the lookup table; the address table already holds resolved targets.
        const DWORD dwNames =
            pDesc->OriginalFirstThunk != 0 ? pDesc->OriginalFirstThunk : pDesc->FirstThunk;
        const auto* pName = At<const IMAGE_THUNK_DATA64>(hModule, dwNames);
        auto* pSlot = At<IMAGE_THUNK_DATA64>(hModule, pDesc->FirstThunk);
        for (; pName->u1.AddressOfData != 0; ++pName, ++pSlot) {
            if (IMAGE_SNAP_BY_ORDINAL64(pName->u1.Ordinal)) {
                continue;
            }
            const auto* pByName = At<const IMAGE_IMPORT_BY_NAME>(
                hModule, static_cast<DWORD>(pName->u1.AddressOfData));
            const FARPROC pfn =
                ::GetProcAddress(hReplacement, reinterpret_cast<const char*>(pByName->Name));
            if (pfn != nullptr &&
                WriteSlot(&pSlot->u1.Function, reinterpret_cast<ULONGLONG>(pfn))) {
                ++nPatched;
            }
        }
    }
    return nPatched;
}

}  // namespace wsock
