// The link's click: with the open switch off and the notify switch on, it only tells its
// parent, with the registered message.
#include <gtest/gtest.h>

#include "gui/controls/HyperLink.h"
#include "tests/gui/support/HostWindow.h"

namespace {

constexpr int kLinkId = 1073;

// Counts the registered messages its window receives.
class CLinkParent : public CWnd {
public:
    explicit CLinkParent(HWND hWnd) { SubclassWindow(hWnd); }
    int m_nClicks = 0;
    WPARAM m_wLastId = 0;
    LPARAM m_lLast = -1;

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        LRESULT lResult = 0;
        if (ReflectToChild(uMsg, wParam, lParam, lResult)) {
            return lResult;
        }
        if (uMsg == WM_XHYPERLINK_CLICKED) {
            ++m_nClicks;
            m_wLastId = wParam;
            m_lLast = lParam;
            return 0;
        }
        return Default(uMsg, wParam, lParam);
    }
};

TEST(HyperLink, ANotifyOnlyLinkOnlyTellsItsParent) {
    CHostWindow host(300, 60);
    CLinkParent parent(host.Get());
    ::CreateWindowExA(0, "Static", "Click here to view default profile", WS_CHILD | WS_VISIBLE, 10,
                      10, 260, 16, host.Get(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLinkId)),
                      ::GetModuleHandleA(nullptr), nullptr);
    CHyperLink link;
    link.EnableOpen(false);
    link.EnableTooltip(false);
    link.EnableNotify(true);
    link.AttachDlgItem(kLinkId, parent);
    EXPECT_EQ(link.Url(), "Click here to view default profile");
    EXPECT_NE(::GetWindowLongA(link.GetSafeHwnd(), GWL_STYLE) & SS_NOTIFY, 0);
    // Fitted to its text.
    EXPECT_LT(link.GetClientRect().right, 260);

    ::SendMessageA(link.GetSafeHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::SendMessageA(link.GetSafeHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    PumpMessages();
    EXPECT_EQ(parent.m_nClicks, 1);
    EXPECT_EQ(parent.m_wLastId, static_cast<WPARAM>(kLinkId));
    EXPECT_EQ(parent.m_lLast, 0);
    EXPECT_FALSE(link.IsVisited());
}

}  // namespace
