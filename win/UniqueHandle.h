// Owners of Windows handles: one template, one traits struct per kind of handle.
#pragma once

#include <windows.h>

#include <utility>

template <class Traits>
class CUniqueHandle {
public:
    using Handle = typename Traits::Handle;

    CUniqueHandle() noexcept = default;
    explicit CUniqueHandle(Handle h) noexcept : m_h(h) {}
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_h(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    ~CUniqueHandle() { Reset(); }

    Handle Get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return m_h != Traits::Invalid(); }

    // For functions that return a handle through a pointer; closes the old one first.
    Handle* Put() noexcept {
        Reset();
        return &m_h;
    }
    Handle Release() noexcept { return std::exchange(m_h, Traits::Invalid()); }
    void Reset(Handle h = Traits::Invalid()) noexcept {
        if (m_h != Traits::Invalid()) {
            Traits::Close(m_h);
        }
        m_h = h;
    }

private:
    Handle m_h = Traits::Invalid();
};

struct CKernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

// CreateFile and FindFirstFile report failure as INVALID_HANDLE_VALUE, not NULL.
struct CFileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

struct CRegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};

using CHandle = CUniqueHandle<CKernelHandleTraits>;
using CFileHandle = CUniqueHandle<CFileHandleTraits>;
using CRegKey = CUniqueHandle<CRegKeyTraits>;

// A view of a file mapping (MapViewOfFile).
struct CMappedViewTraits {
    using Handle = void*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::UnmapViewOfFile(h); }
};

using CMappedView = CUniqueHandle<CMappedViewTraits>;

// LoadLibrary results; a module is unloaded once per successful load.
struct CModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::FreeLibrary(h); }
};

using CModule = CUniqueHandle<CModuleTraits>;

// Windows this thread created; destroyed by the thread that owns them.
struct CWindowTraits {
    using Handle = HWND;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DestroyWindow(h); }
};

using CWindow = CUniqueHandle<CWindowTraits>;

// A private heap (HeapCreate).
struct CHeapTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::HeapDestroy(h); }
};

using CHeap = CUniqueHandle<CHeapTraits>;

// A block of global memory (GlobalAlloc), seen as a T*.
template <class T>
struct CGlobalMemoryTraits {
    using Handle = T*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::GlobalFree(h); }
};

template <class T>
using CGlobalMemory = CUniqueHandle<CGlobalMemoryTraits<T>>;

// Memory the system hands out to be released with LocalFree (security descriptors, ACLs).
template <class T>
struct CLocalMemoryTraits {
    using Handle = T*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::LocalFree(h); }
};

template <class T>
using CLocalMemory = CUniqueHandle<CLocalMemoryTraits<T>>;
