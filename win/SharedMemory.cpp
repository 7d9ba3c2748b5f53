#include "win/SharedMemory.h"

#include <atomic>
#include <cstring>
#include <string>

#include "win/MutexLock.h"

namespace {

// Making and filling in a block takes a few system calls; a process that waits longer than
// this for another one gives up on sharing rather than hang.
constexpr DWORD kCreationWaitMs = 10000;

}  // namespace

CSharedMemory::Result CSharedMemory::Open(const wchar_t* szName, std::uint32_t uVersion,
                                          std::uint32_t uSize, Initialise initialise) noexcept {
    if (szName == nullptr) {
        return Map(nullptr, uVersion, uSize, initialise);
    }
    // The mapping itself is made atomically, but filling it in is not: the lock keeps every
    // other process from reading the block between its creation and its header. A creator
    // that died before writing the header leaves the block blank, and the next one fills it.
    std::wstring strLockName;
    try {
        strLockName = std::wstring(szName) + L".Creation";
    } catch (...) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    const CHandle mutex(::CreateMutexW(nullptr, FALSE, strLockName.c_str()));
    if (!mutex) {
        return Fail(::GetLastError());
    }
    const CMutexLock lock(mutex.Get(), kCreationWaitMs);
    if (lock.TimedOut()) {
        return Fail(WAIT_TIMEOUT);
    }
    return Map(szName, uVersion, uSize, initialise);
}

CSharedMemory::Result CSharedMemory::Map(const wchar_t* szName, std::uint32_t uVersion,
                                         std::uint32_t uSize, Initialise initialise) noexcept {
    CHandle mapping(
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, uSize, szName));
    if (!mapping) {
        return Fail(::GetLastError());
    }
    // The whole block, whatever size its maker gave it, so that a smaller one of another
    // layout is seen and refused rather than failing the view.
    CMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    MEMORY_BASIC_INFORMATION info{};
    if (!view || ::VirtualQuery(view.Get(), &info, sizeof info) == 0) {
        return Fail(::GetLastError());
    }
    auto* pHeader = static_cast<SharedLayoutHeader*>(view.Get());
    switch (FitOfSharedLayout(*pHeader, info.RegionSize, uVersion, uSize)) {
        case SharedLayoutFit::kOther:
            if (info.RegionSize >= sizeof m_found) {
                std::memcpy(&m_found, pHeader, sizeof m_found);
            }
            m_cbFound = info.RegionSize;
            return Result::kRefused;
        case SharedLayoutFit::kBlank:
            initialise(pHeader);
            pHeader->uVersion = uVersion;
            pHeader->uSize = uSize;
            pHeader->uReserved = 0;
            std::atomic_ref<std::uint32_t>(pHeader->uMagic)
                .store(kSharedLayoutMagic, std::memory_order_release);
            break;
        case SharedLayoutFit::kSame:
            break;
    }
    m_mapping = std::move(mapping);
    m_view = std::move(view);
    return Result::kOpened;
}

CSharedMemory::Result CSharedMemory::Fail(DWORD dwError) noexcept {
    m_dwError = dwError;
    return Result::kFailed;
}
