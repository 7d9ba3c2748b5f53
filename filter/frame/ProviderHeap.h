// Objects on the provider heap: zero-filled, constructed in place, destroyed before their
// memory goes back.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

#include "filter/frame/ProcessState.h"

// nCount value-initialised objects; null when the heap is missing or has no room.
template <class T>
T* NewOnProviderHeap(std::size_t nCount = 1) {
    void* pMemory = gProviderHeap
                        ? ::HeapAlloc(gProviderHeap.Get(), HEAP_ZERO_MEMORY, nCount * sizeof(T))
                        : nullptr;
    if (pMemory == nullptr) {
        return nullptr;
    }
    T* pObjects = static_cast<T*>(pMemory);
    for (std::size_t i = 0; i < nCount; ++i) {
        new (pObjects + i) T{};
    }
    return pObjects;
}

template <class T>
void DeleteOnProviderHeap(T* pObjects, std::size_t nCount = 1) {
    std::destroy_n(pObjects, nCount);
    ::HeapFree(gProviderHeap.Get(), 0, pObjects);
}
