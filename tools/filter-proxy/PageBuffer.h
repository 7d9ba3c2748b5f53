// A connection's I/O buffer in whole pages of its own (VirtualAlloc), given back to the system
// when the connection ends: a few hundred connections' buffers in the heap would stay there,
// counted in the proxy's memory, long after the connections have gone.
#pragma once

#include <windows.h>

#include <cstddef>
#include <new>

#include "win/UniqueHandle.h"

struct CPagesTraits {
    using Handle = char*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::VirtualFree(h, 0, MEM_RELEASE); }
};

class CPageBuffer {
public:
    static constexpr std::size_t kBytes = 16384;

    CPageBuffer()
        : m_pages(static_cast<char*>(
              ::VirtualAlloc(nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {
        if (!m_pages) {
            throw std::bad_alloc();
        }
    }

    char* Data() const noexcept { return m_pages.Get(); }
    static constexpr std::size_t Size() noexcept { return kBytes; }

private:
    CUniqueHandle<CPagesTraits> m_pages;
};
