#include "gui/policy/UrlListsEditor.h"

#include <algorithm>

#include "gui/admin/Operations.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/app/GuiLog.h"
#include "gui/app/ListExtent.h"
#include "gui/framework/MessageBox.h"
#include "gui/portable/ListExtent.h"
#include "gui/res/resource.h"

namespace {

bool Contains(const std::vector<std::string>& entries, const std::string& strText) {
    return std::find(entries.begin(), entries.end(), strText) != entries.end();
}

}  // namespace

CUrlListsEditor::CUrlListsEditor(const CWnd& screen) noexcept
    : m_screen(screen),
      m_allowed{IDC_URL_ALLOWED_LIST, IDC_URL_ALLOWED_EDIT, gProfileEditState.allowedURLs, {}, {}},
      m_blocked{IDC_URL_BLOCKED_LIST, IDC_URL_BLOCKED_EDIT, gProfileEditState.blockedURLs, {}, {}} {
}

void CUrlListsEditor::Open() {
    for (CSide* pSide : {&m_allowed, &m_blocked}) {
        pSide->list.Attach(m_screen.GetDlgItem(pSide->nListId));
        pSide->edit.Attach(m_screen.GetDlgItem(pSide->nEditId));
        FillListBox(pSide->list, pSide->entries);
        FitHorizontalExtent(pSide->list);
    }
}

bool CUrlListsEditor::OnCommand(UINT uMsg, WPARAM wParam) {
    if (uMsg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) {
        return false;
    }
    switch (LOWORD(wParam)) {
        case IDC_URL_ALLOWED_ADD:
            Add(m_allowed, m_blocked);
            return true;
        case IDC_URL_BLOCKED_ADD:
            Add(m_blocked, m_allowed);
            return true;
        case IDC_URL_ALLOWED_REMOVE:
            Remove(m_allowed);
            return true;
        case IDC_URL_BLOCKED_REMOVE:
            Remove(m_blocked);
            return true;
        default:
            return false;
    }
}

void CUrlListsEditor::Warn(UINT nIdPrompt) const {
    m_screen.MessageBoxById(nIdPrompt, MB_OK | MB_ICONEXCLAMATION);
}

void CUrlListsEditor::Add(CSide& side, const CSide& other) {
    const std::string strText = side.edit.GetWindowText();
    if (strText.empty()) {
        Warn(IDS_ENTER_URL);
        side.edit.SetFocus();
        return;
    }
    if (strText.size() > kMaxEntryLength) {
        Warn(IDS_WORD_TOO_LONG);
        side.edit.FocusForCorrection();
        return;
    }
    if (Contains(side.entries, strText)) {
        Warn(IDS_URL_IN_THIS_LIST);
        side.edit.FocusForCorrection();
        return;
    }
    if (Contains(other.entries, strText)) {
        Warn(IDS_URL_IN_OTHER_LIST);
        side.edit.FocusForCorrection();
        return;
    }
    // The list box first: an entry it could not take would be kept but never shown.
    if (side.list.AddString(strText) < 0) {
        gGuiLog.Write("CUrlListsEditor::Add :: the list box refused an entry", 1);
        return;
    }
    side.entries.push_back(strText);
    side.edit.SetWindowText("");
    listsChanged = 1;
    const int nWanted = ListExtent(strText.size());
    if (side.list.GetHorizontalExtent() < nWanted) {
        side.list.SetHorizontalExtent(nWanted);
    }
}

void CUrlListsEditor::Remove(CSide& side) {
    const std::vector<int> selected = side.list.GetSelItems();
    if (selected.empty()) {
        Warn(IDS_SELECT_ONE_ITEM);
        return;
    }
    // The entries joined by commas: an entry that itself ends in a comma is shown whole.
    std::string strPrompt = LoadResourceString(IDS_DELETE_URLS_PROMPT);
    for (size_t i = 0; i < selected.size(); ++i) {
        if (i != 0) {
            strPrompt += ',';
        }
        strPrompt += side.list.GetText(selected[i]);
    }
    strPrompt += '?';
    const std::string strCaption = LoadResourceString(IDS_CONFIRMATION);
    if (m_screen.MessageBox(strPrompt, MB_YESNO | MB_ICONQUESTION, strCaption.c_str()) != IDYES) {
        return;
    }
    // From the last selected item back, so that the indexes still to come stay valid.
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        const std::string strText = side.list.GetText(*it);
        const auto entry = std::find(side.entries.begin(), side.entries.end(), strText);
        if (entry != side.entries.end()) {
            side.entries.erase(entry);
        }
        side.list.DeleteString(*it);
    }
    listsChanged = 1;
    FitHorizontalExtent(side.list);
}
