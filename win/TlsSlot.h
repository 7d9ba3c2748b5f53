// A thread-local storage slot of the process, allocated for the owner's life.
#pragma once

#include <windows.h>

class CTlsSlot {
public:
    CTlsSlot() noexcept : m_dwIndex(::TlsAlloc()) {}
    CTlsSlot(const CTlsSlot&) = delete;
    CTlsSlot& operator=(const CTlsSlot&) = delete;
    ~CTlsSlot() {
        if (Valid()) {
            ::TlsFree(m_dwIndex);
        }
    }

    bool Valid() const noexcept { return m_dwIndex != TLS_OUT_OF_INDEXES; }
    // Null when the slot could not be allocated.
    void* Get() const noexcept { return Valid() ? ::TlsGetValue(m_dwIndex) : nullptr; }
    void Set(void* pValue) const noexcept {
        if (Valid()) {
            ::TlsSetValue(m_dwIndex, pValue);
        }
    }

private:
    DWORD m_dwIndex;
};
