// A dialog drawn over a background bitmap (tiled, stretched or centred) with a banner across
// its top. Buttons and static texts show the background through: their text has no
// background of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/controls/DibImage.h"
#include "gui/controls/XPButton.h"
#include "gui/framework/Dialog.h"
#include "gui/framework/MessageMap.h"

class CSkinDialog : public CDialog {
public:
    enum Mode { kTile = 0, kStretch = 1, kCentre = 2 };

    using CDialog::CDialog;

    // The bitmap resource drawn under the controls, and how it fills the dialog.
    bool SetBackground(UINT nId, Mode mode);
    // The bitmap resource drawn across the dialog's top.
    bool SetBanner(UINT nId);
    // Draws every owner-drawn push button of the dialog as the program's own button.
    void SkinPushButtons();
    // Changes a static's text, the background under it drawn again first: a static with no
    // background of its own would draw the new text over the old.
    void SetStaticText(int nId, const std::string& strText);

protected:
    bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    static const CMessageEntry<CSkinDialog> kMessageMap[];

    LRESULT OnEraseBackground(WPARAM wParam, LPARAM lParam);
    LRESULT OnButtonColour(WPARAM wParam, LPARAM lParam);
    LRESULT OnStaticColour(WPARAM wParam, LPARAM lParam);
    LRESULT ControlColour(UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryNewPalette(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaletteChanged(WPARAM wParam, LPARAM lParam);
    void DrawBackground(HDC hdc, const RECT& client);
    void DrawBanner(HDC hdc, const RECT& client) const;
    bool HasBackground() const noexcept { return m_bBackground && m_background.IsValid(); }

    std::vector<std::unique_ptr<CXPButton>> m_pushButtons;
    CDibImage m_background;
    CDibImage m_banner;
    Mode m_mode = kTile;
    bool m_bBackground = false;
    bool m_bBanner = false;
    HBRUSH m_hHollowBrush = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
};
