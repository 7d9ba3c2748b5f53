// Owner of a block of memory that every process of the logon session maps by one name
// ("Local\..."), whatever its bitness: the mapping, its view, and the check of the block's
// layout (base/portable/SharedLayout.h) before anything in it is read.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/portable/SharedLayout.h"
#include "win/UniqueHandle.h"

class CSharedMemory {
public:
    enum class Result {
        kOpened,   // Get() is the block, filled in by whichever process made it
        kRefused,  // the block under the name has another layout: Found() says which
        kFailed,   // no block (Error() says why)
    };

    // Fills in a blank block of the layout's size (zero-filled) with its initial image; the
    // header is written after it returns. Runs while no other process can open the block.
    using Initialise = void (*)(void* pBlock) noexcept;

    // Maps the block named szName, making it when no process has it, or, with szName null, a
    // block of this process alone. Two processes that start at once make one block between
    // them and only one of them fills it in.
    Result Open(const wchar_t* szName, std::uint32_t uVersion, std::uint32_t uSize,
                Initialise initialise) noexcept;

    void* Get() const noexcept { return m_view.Get(); }
    // The header of a refused block (all zero when it had no room for one) and its size.
    const SharedLayoutHeader& Found() const noexcept { return m_found; }
    std::size_t FoundSize() const noexcept { return m_cbFound; }
    DWORD Error() const noexcept { return m_dwError; }

private:
    Result Map(const wchar_t* szName, std::uint32_t uVersion, std::uint32_t uSize,
               Initialise initialise) noexcept;
    Result Fail(DWORD dwError) noexcept;

    CHandle m_mapping;
    CMappedView m_view;
    SharedLayoutHeader m_found{};
    std::size_t m_cbFound = 0;
    DWORD m_dwError = 0;
};
