// Owner of one block of named memory that a DLL's processes share (CSharedMemory): mapped at its
// first use, never under the loader lock. Where it is not shared (not asked to, or the block
// could not be opened or has another layout, which the caller's log function tells), the process
// runs on a block of its own in the initial image.
#pragma once

#include <atomic>
#include <new>

#include "win/CriticalSection.h"
#include "win/SharedMemory.h"

template <class Block>
class CSharedBlockOwner {
public:
    using LogOwn = void (*)(const CSharedMemory& memory, CSharedMemory::Result result) noexcept;
    // Counts this process in, once, on the block it will use.
    using CountIn = void (*)(Block& block) noexcept;

    CSharedBlockOwner(const wchar_t* szName, CSharedMemory::Initialise initialise, LogOwn logOwn,
                      CountIn countIn) noexcept
        : m_szName(szName), m_initialise(initialise), m_logOwn(logOwn), m_countIn(countIn) {}
    CSharedBlockOwner(const CSharedBlockOwner&) = delete;
    CSharedBlockOwner& operator=(const CSharedBlockOwner&) = delete;

    // Called by the DLL's entry point: the block is the named one from its first use on.
    void Share() noexcept { m_bShare.store(true); }

    Block& Get() noexcept {
        if (Block* pBlock = m_pBlock.load(std::memory_order_acquire)) {
            return *pBlock;
        }
        const CCriticalSectionLock lock(m_openLock);
        if (m_pBlock.load(std::memory_order_relaxed) == nullptr) {
            Open();
        }
        return *m_pBlock.load(std::memory_order_relaxed);
    }

    // Null while this process has not mapped the block.
    Block* IfMapped() const noexcept { return m_pBlock.load(std::memory_order_acquire); }

private:
    void Open() noexcept {
        Block* pBlock = nullptr;
        if (m_bShare.load()) {
            const CSharedMemory::Result result =
                m_memory.Open(m_szName, Block::kLayoutVersion, sizeof(Block), m_initialise);
            if (result == CSharedMemory::Result::kOpened) {
                pBlock = static_cast<Block*>(m_memory.Get());
            } else {
                m_logOwn(m_memory, result);
            }
        }
        if (pBlock == nullptr) {
            // Static storage: zero pages the system gives only once they are touched.
            alignas(Block) static unsigned char s_own[sizeof(Block)];
            m_initialise(s_own);
            pBlock = std::launder(reinterpret_cast<Block*>(s_own));
        }
        m_countIn(*pBlock);
        m_pBlock.store(pBlock, std::memory_order_release);
    }

    const wchar_t* m_szName;
    CSharedMemory::Initialise m_initialise;
    LogOwn m_logOwn;
    CountIn m_countIn;
    std::atomic<bool> m_bShare{false};
    CCriticalSection m_openLock;
    CSharedMemory m_memory;
    std::atomic<Block*> m_pBlock{nullptr};
};
