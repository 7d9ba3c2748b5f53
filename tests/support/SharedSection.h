// The shared data section (".shr") of a module loaded in this process, found through the
// module's own headers: what any program written for the purpose can read and write, since
// the library exports none of its shared state.
#pragma once

#include <windows.h>

#include <cstring>

inline void* SharedSectionOf(HMODULE hModule) {
    if (hModule == nullptr) {
        return nullptr;
    }
    auto* pBase = reinterpret_cast<unsigned char*>(hModule);
    const auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pBase);
    const auto* pNt = reinterpret_cast<const IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
    const IMAGE_SECTION_HEADER* pSection = IMAGE_FIRST_SECTION(pNt);
    for (WORD i = 0; i < pNt->FileHeader.NumberOfSections; ++i, ++pSection) {
        if (std::memcmp(pSection->Name, ".shr", 5) == 0) {
            return pBase + pSection->VirtualAddress;
        }
    }
    return nullptr;
}
