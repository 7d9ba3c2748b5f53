// Field exchange between a dialog's members and its controls, in either direction.
#pragma once

#include <windows.h>

#include <string>

class CDialog;
class CWnd;

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool bSave) noexcept : m_dialog(dialog), m_bSave(bSave) {}

    // True when the controls' values go into the members.
    bool Saving() const noexcept { return m_bSave; }

    // An edit's text. With nMaxChars, the edit refuses to take more characters from the
    // keyboard; a longer text set from outside is read whole, never cut to something else.
    void Text(int nId, std::string& strValue, size_t nMaxChars = 0);
    // A button's check state (BST_UNCHECKED, BST_CHECKED).
    void Check(int nId, int& iState);
    // A drop-down list's selected text. Writing selects the entry with exactly that text,
    // and leaves the selection alone when there is none.
    void ComboText(int nId, std::string& strValue);
    // Binds a control object to the item, once.
    void Control(int nId, CWnd& control);

private:
    HWND Item(int nId) const noexcept;

    CDialog& m_dialog;
    bool m_bSave;
};
