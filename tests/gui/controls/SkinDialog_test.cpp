// What a skinned screen draws: its background in each mode, the banner across the top, and
// the colours it gives its controls.
#include <gtest/gtest.h>

#include "gui/controls/DibImage.h"
#include "gui/controls/SkinDialog.h"
#include "gui/res/resource.h"
#include "tests/gui/support/HostWindow.h"
#include "win/GdiHandle.h"

namespace {

// The Select User screen: wider (435 pixels) than the banner (271).
class SkinDialogTest : public ::testing::Test {
protected:
    SkinDialogTest() { EXPECT_TRUE(m_dialog.Create(nullptr)); }

    // The dialog's background as WM_ERASEBKGND draws it.
    COLORREF BackgroundPixel(int x, int y) {
        const RECT client = m_dialog.GetClientRect();
        const CClientDC screen(nullptr);
        const CMemoryDC memory(::CreateCompatibleDC(screen.Get()));
        const CBitmapHandle bitmap(
            ::CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
        const CSelectObject selected(memory.Get(), bitmap.Get());
        ::SendMessageA(m_dialog.GetSafeHwnd(), WM_ERASEBKGND,
                       reinterpret_cast<WPARAM>(memory.Get()), 0);
        return ::GetPixel(memory.Get(), x, y);
    }
    static COLORREF ImagePixel(UINT nId, int x, int y) {
        CDibImage image;
        image.LoadFromResource(nId);
        const CClientDC screen(nullptr);
        const CMemoryDC memory(::CreateCompatibleDC(screen.Get()));
        const CBitmapHandle bitmap(
            ::CreateCompatibleBitmap(screen.Get(), image.Width(), image.Height()));
        const CSelectObject selected(memory.Get(), bitmap.Get());
        image.Draw(memory.Get(), 0, 0);
        return ::GetPixel(memory.Get(), x, y);
    }
    LRESULT ControlColour(UINT uMsg, int nId) {
        const CClientDC dc(m_dialog.GetSafeHwnd());
        return ::SendMessageA(m_dialog.GetSafeHwnd(), uMsg, reinterpret_cast<WPARAM>(dc.Get()),
                              reinterpret_cast<LPARAM>(m_dialog.GetDlgItem(nId)));
    }

    CSkinDialog m_dialog{IDD_SELECT_USER};
};

TEST_F(SkinDialogTest, WithoutABackgroundControlsKeepTheirColours) {
    const auto hHollow = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    EXPECT_NE(ControlColour(WM_CTLCOLORBTN, IDC_SELECT_EDIT), hHollow);
    ASSERT_TRUE(m_dialog.SetBackground(IDB_SELECT_USER, CSkinDialog::kTile));
    EXPECT_EQ(ControlColour(WM_CTLCOLORBTN, IDC_SELECT_EDIT), hHollow);
    // A list view is neither a button nor a static.
    EXPECT_NE(ControlColour(WM_CTLCOLORSTATIC, IDC_SELECT_LIST), hHollow);
}

TEST_F(SkinDialogTest, TheBannerSpansTheWidthWithItsNameUndistorted) {
    ASSERT_TRUE(m_dialog.SetBackground(IDB_SELECT_USER, CSkinDialog::kTile));
    ASSERT_TRUE(m_dialog.SetBanner(IDB_BANNER));
    const int nRight = m_dialog.GetClientRect().right - 1;
    ASSERT_GT(nRight, 271);
    for (const int y : {5, 45, 89}) {
        EXPECT_EQ(BackgroundPixel(nRight, y), ImagePixel(IDB_BANNER, 270, y)) << y;
    }
    // The logo and the name keep their natural place and size.
    for (const int x : {20, 80, 150, 200}) {
        EXPECT_EQ(BackgroundPixel(x, 40), ImagePixel(IDB_BANNER, x, 40)) << x;
    }
}

TEST_F(SkinDialogTest, TheBackgroundTilesCentresOrStretches) {
    ASSERT_TRUE(m_dialog.SetBackground(IDB_CHECK_GLYPHS, CSkinDialog::kTile));
    EXPECT_EQ(BackgroundPixel(64 + 20, 54 + 5), ImagePixel(IDB_CHECK_GLYPHS, 20, 5));
    ASSERT_TRUE(m_dialog.SetBackground(IDB_CHECK_GLYPHS, CSkinDialog::kCentre));
    const RECT client = m_dialog.GetClientRect();
    const int x0 = (client.right - 64) / 2;
    const int y0 = (client.bottom - 54) / 2;
    EXPECT_EQ(BackgroundPixel(x0 + 20, y0 + 5), ImagePixel(IDB_CHECK_GLYPHS, 20, 5));
    EXPECT_NE(BackgroundPixel(2, 2), ImagePixel(IDB_CHECK_GLYPHS, 2, 2));
    ASSERT_TRUE(m_dialog.SetBackground(IDB_CHECK_GLYPHS, CSkinDialog::kStretch));
    EXPECT_EQ(BackgroundPixel(client.right - 1, client.bottom - 1),
              ImagePixel(IDB_CHECK_GLYPHS, 63, 53));
}

}  // namespace
