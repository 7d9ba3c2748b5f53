#include "gui/controls/SkinScrollBar.h"

#include <algorithm>

#include "gui/res/resource.h"
#include "win/GdiHandle.h"

namespace {

constexpr char kClassName[] = "QuillonSkinScrollBar";
// The thumb's top and bottom rows are caps; the rows between stretch.
constexpr int kThumbCap = 5;
constexpr int kMinThumb = 2 * kThumbCap + 4;

bool RegisterClassOnce() {
    static const bool s_bRegistered = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &::DefWindowProcA;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        windowClass.lpszClassName = kClassName;
        return ::RegisterClassA(&windowClass) != 0;
    }();
    return s_bRegistered;
}

}  // namespace

bool CSkinScrollBar::Create(HWND hParent, const RECT& rect, CListBox& list, int nVisible) {
    m_pList = &list;
    m_nVisible = std::max(1, nVisible);
    m_up.LoadFromResource(IDB_SCROLL_UP);
    m_down.LoadFromResource(IDB_SCROLL_DOWN);
    m_track.LoadFromResource(IDB_SCROLL_TRACK);
    m_thumb.LoadFromResource(IDB_SCROLL_THUMB);
    if (!RegisterClassOnce()) {
        return false;
    }
    const HWND hWnd = ::CreateWindowExA(0, kClassName, nullptr, WS_CHILD | WS_VISIBLE, rect.left,
                                        rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                        hParent, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    return hWnd != nullptr && SubclassWindow(hWnd);
}

void CSkinScrollBar::Update() {
    if (m_hWnd != nullptr) {
        Invalidate(false);
    }
}

int CSkinScrollBar::MaxTop() const {
    return m_pList != nullptr ? std::max(0, m_pList->GetCount() - m_nVisible) : 0;
}

RECT CSkinScrollBar::ThumbRect() const {
    const RECT client = GetClientRect();
    const int nArrow = m_up.IsValid() ? m_up.Height() : client.right;
    const int nTrackTop = nArrow;
    const int nTrack = std::max(0, static_cast<int>(client.bottom) - 2 * nArrow);
    const int nCount = m_pList != nullptr ? m_pList->GetCount() : 0;
    if (nCount <= m_nVisible || nTrack < kMinThumb) {
        return RECT{0, 0, 0, 0};
    }
    const int nThumb = std::max(kMinThumb, nTrack * m_nVisible / nCount);
    const int nTop = std::min(m_pList->GetTopIndex(), MaxTop());
    const int y = nTrackTop + (nTrack - nThumb) * nTop / MaxTop();
    return RECT{0, y, client.right, y + nThumb};
}

void CSkinScrollBar::Paint(HDC hdc) const {
    const RECT client = GetClientRect();
    const int nArrow = m_up.Height();
    m_track.DrawStretched(hdc, RECT{0, nArrow, client.right, client.bottom - nArrow});
    m_up.Draw(hdc, 0, 0);
    m_down.Draw(hdc, 0, client.bottom - nArrow);
    const RECT thumb = ThumbRect();
    if (thumb.bottom > thumb.top) {
        const int w = m_thumb.Width();
        const int h = m_thumb.Height();
        m_thumb.DrawPart(hdc, RECT{0, thumb.top, w, thumb.top + kThumbCap},
                         RECT{0, 0, w, kThumbCap});
        m_thumb.DrawPart(hdc, RECT{0, thumb.top + kThumbCap, w, thumb.bottom - kThumbCap},
                         RECT{0, kThumbCap, w, h - kThumbCap});
        m_thumb.DrawPart(hdc, RECT{0, thumb.bottom - kThumbCap, w, thumb.bottom},
                         RECT{0, h - kThumbCap, w, h});
    }
}

CSkinScrollBar::Part CSkinScrollBar::HitTest(int y) const {
    const RECT client = GetClientRect();
    const int nArrow = m_up.Height();
    if (y < nArrow) {
        return Part::kUp;
    }
    if (y >= client.bottom - nArrow) {
        return Part::kDown;
    }
    const RECT thumb = ThumbRect();
    if (thumb.bottom <= thumb.top) {
        return Part::kNone;
    }
    if (y < thumb.top) {
        return Part::kPageUp;
    }
    return y < thumb.bottom ? Part::kThumb : Part::kPageDown;
}

void CSkinScrollBar::ScrollTo(int nTop) {
    m_pList->SetTopIndex(std::clamp(nTop, 0, MaxTop()));
    Update();
}

void CSkinScrollBar::Act(Part part) {
    const int nTop = m_pList->GetTopIndex();
    switch (part) {
        case Part::kUp:
            ScrollTo(nTop - 1);
            break;
        case Part::kDown:
            ScrollTo(nTop + 1);
            break;
        case Part::kPageUp:
            ScrollTo(nTop - m_nVisible);
            break;
        case Part::kPageDown:
            ScrollTo(nTop + m_nVisible);
            break;
        default:
            break;
    }
}

void CSkinScrollBar::OnButtonDown(int y) {
    m_pressed = HitTest(y);
    if (m_pressed == Part::kNone) {
        return;
    }
    ::SetCapture(m_hWnd);
    if (m_pressed == Part::kThumb) {
        m_nDragOffset = y - ThumbRect().top;
        return;
    }
    Act(m_pressed);
    ::SetTimer(m_hWnd, kRepeatTimer, kRepeatMs, nullptr);
}

void CSkinScrollBar::OnDrag(int y) {
    const RECT client = GetClientRect();
    const RECT thumb = ThumbRect();
    const int nArrow = m_up.Height();
    const int nRange = client.bottom - 2 * nArrow - (thumb.bottom - thumb.top);
    if (nRange <= 0) {
        return;
    }
    const int nOffset = y - m_nDragOffset - nArrow;
    ScrollTo((nOffset * MaxTop() + nRange / 2) / nRange);
}

void CSkinScrollBar::OnButtonUp() {
    ::KillTimer(m_hWnd, kRepeatTimer);
    m_pressed = Part::kNone;
    if (::GetCapture() == m_hWnd) {
        ::ReleaseCapture();
    }
}

LRESULT CSkinScrollBar::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const int y = static_cast<short>(HIWORD(lParam));
    switch (uMsg) {
        case WM_PAINT: {
            const CPaintDC paint(m_hWnd);
            const RECT client = GetClientRect();
            const CMemoryDC memory(::CreateCompatibleDC(paint.Get()));
            const CBitmapHandle bitmap(
                ::CreateCompatibleBitmap(paint.Get(), client.right, client.bottom));
            const CSelectObject selected(memory.Get(), bitmap.Get());
            Paint(memory.Get());
            ::BitBlt(paint.Get(), 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
            return 0;
        }
        case WM_ERASEBKGND:
            return TRUE;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            OnButtonDown(y);
            return 0;
        case WM_MOUSEMOVE:
            if (m_pressed == Part::kThumb) {
                OnDrag(y);
            }
            return 0;
        case WM_TIMER:
            if (wParam == kRepeatTimer && m_pressed != Part::kThumb) {
                Act(m_pressed);
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            OnButtonUp();
            return 0;
        default:
            return Default(uMsg, wParam, lParam);
    }
}
