// Owners of GDI objects and device contexts, and scopes for the DCs a window lends.
#pragma once

#include <windows.h>

#include "win/UniqueHandle.h"

template <class T>
struct CGdiObjectTraits {
    using Handle = T;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};

using CBitmapHandle = CUniqueHandle<CGdiObjectTraits<HBITMAP>>;
using CBrushHandle = CUniqueHandle<CGdiObjectTraits<HBRUSH>>;
using CPenHandle = CUniqueHandle<CGdiObjectTraits<HPEN>>;
using CFontHandle = CUniqueHandle<CGdiObjectTraits<HFONT>>;
using CPaletteHandle = CUniqueHandle<CGdiObjectTraits<HPALETTE>>;

// CreateCompatibleDC results.
struct CMemoryDCTraits {
    using Handle = HDC;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteDC(h); }
};

using CMemoryDC = CUniqueHandle<CMemoryDCTraits>;

// LoadMenu results.
struct CMenuTraits {
    using Handle = HMENU;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DestroyMenu(h); }
};

using CMenuHandle = CUniqueHandle<CMenuTraits>;

// Selects an object into a DC for the scope, and puts the previous one back.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ hObject) noexcept
        : m_hdc(hdc), m_hOld(::SelectObject(hdc, hObject)) {}
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    ~CSelectObject() { ::SelectObject(m_hdc, m_hOld); }

private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

// GetDC / ReleaseDC.
class CClientDC {
public:
    explicit CClientDC(HWND hWnd) noexcept : m_hWnd(hWnd), m_hdc(::GetDC(hWnd)) {}
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    ~CClientDC() { ::ReleaseDC(m_hWnd, m_hdc); }

    HDC Get() const noexcept { return m_hdc; }

private:
    HWND m_hWnd;
    HDC m_hdc;
};

// BeginPaint / EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd) noexcept : m_hWnd(hWnd), m_hdc(::BeginPaint(hWnd, &m_ps)) {}
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

    HDC Get() const noexcept { return m_hdc; }
    const RECT& PaintRect() const noexcept { return m_ps.rcPaint; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps = {};
    HDC m_hdc;
};
