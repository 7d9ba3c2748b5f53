// The push button's face: the 64 bands of each state, read back from drawn pixels.
#include <gtest/gtest.h>

#include "gui/controls/XPButton.h"
#include "gui/portable/ButtonFace.h"
#include "tests/gui/support/HostWindow.h"
#include "win/GdiHandle.h"

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 64;
// Columns and rows clear of the frames and the caption.
constexpr int kColumn = 6;
constexpr int kFirstRow = 5;

class XPButtonTest : public ::testing::Test {
protected:
    XPButtonTest() {
        m_button.Create("", RECT{0, 0, kWidth, kHeight}, m_host.Get(), 100);
        m_dc.Reset(::CreateCompatibleDC(nullptr));
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_bitmap.Reset(::CreateDIBSection(m_dc.Get(), &info, DIB_RGB_COLORS, &m_pBits, nullptr, 0));
        m_old = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    }
    ~XPButtonTest() override { ::SelectObject(m_dc.Get(), m_old); }

    CRgbColor Pixel(int x, int y) const {
        const auto pixel = static_cast<const DWORD*>(m_pBits)[y * kWidth + x];
        return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                static_cast<int>(pixel & 0xFF)};
    }
    // Every row inside the frames shows its band of `face`.
    void ExpectBands(ButtonFace face, UINT uItemState) {
        m_button.Paint(m_dc.Get(), RECT{0, 0, kWidth, kHeight}, uItemState);
        for (int y = kFirstRow; y < kHeight - kFirstRow; ++y) {
            EXPECT_EQ(Pixel(kColumn, y), ButtonBandColor(face, ButtonBandOfRow(y, kHeight)))
                << "row " << y;
        }
    }

    CHostWindow m_host{200, 100};
    CXPButton m_button;
    CMemoryDC m_dc;
    CBitmapHandle m_bitmap;
    void* m_pBits = nullptr;
    HGDIOBJ m_old = nullptr;
};

TEST_F(XPButtonTest, NormalAndPressedFaces) {
    ExpectBands(ButtonFace::kNormal, 0);
    ExpectBands(ButtonFace::kPressed, ODS_SELECTED);
}

TEST_F(XPButtonTest, HoverFacesFollowTheMouse) {
    ::SendMessageA(m_button.GetSafeHwnd(), WM_MOUSEHOVER, 0, 0);
    ExpectBands(ButtonFace::kHover, 0);
    ExpectBands(ButtonFace::kHoverPressed, ODS_SELECTED);
    ::SendMessageA(m_button.GetSafeHwnd(), WM_MOUSELEAVE, 0, 0);
    ExpectBands(ButtonFace::kNormal, 0);
}

TEST_F(XPButtonTest, OnlyTheSelectedTabLooksLikeAButton) {
    m_button.SetTabMode(true);
    ExpectBands(ButtonFace::kUnselectedTab, 0);
    m_button.SetSelectedTab(true);
    ExpectBands(ButtonFace::kNormal, 0);
}

TEST_F(XPButtonTest, TheFrameIsBlackWithSoftenedCorners) {
    m_button.Paint(m_dc.Get(), RECT{0, 0, kWidth, kHeight}, 0);
    EXPECT_EQ(Pixel(kWidth / 2, 0), (CRgbColor{0, 0, 0}));
    EXPECT_EQ(Pixel(0, kHeight / 2), (CRgbColor{0, 0, 0}));
    EXPECT_EQ(Pixel(0, 0), (CRgbColor{192, 192, 192}));
    EXPECT_EQ(Pixel(kWidth - 1, kHeight - 1), (CRgbColor{192, 192, 192}));
}

}  // namespace
