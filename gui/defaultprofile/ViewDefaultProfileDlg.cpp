#include "gui/defaultprofile/ViewDefaultProfileDlg.h"

#include <functional>

#include "Api/PolicyApi.h"
#include "gui/app/ListExtent.h"
#include "gui/app/TamperedSettings.h"
#include "gui/res/resource.h"

namespace {

constexpr char kDefaultProfile[] = "Default";

// Fills `list` from one library read; false when the read failed.
bool Fill(CListBox& list, const std::function<int(char***, int*)>& read) {
    char** entries = nullptr;
    int count = 0;
    if (read(&entries, &count) != 1) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        list.AddString(entries[i]);
    }
    FitHorizontalExtent(list);
    FreeListMemory(&entries, &count);
    return true;
}

}  // namespace

CViewDefaultProfileDlg::CViewDefaultProfileDlg(CWnd* pParent)
    : CDialog(IDD_VIEW_DEFAULT_PROFILE, pParent) {}

BOOL CViewDefaultProfileDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_categories.Attach(GetDlgItem(IDC_VIEW_CATEGORIES));
    m_allowed.Attach(GetDlgItem(IDC_VIEW_ALLOWED));
    m_blocked.Attach(GetDlgItem(IDC_VIEW_BLOCKED));
    const bool bRead =
        Fill(m_categories,
             [](char*** list, int* count) {
                 return GetCategoryList(kDefaultProfile, list, count);
             }) &&
        Fill(m_allowed, [](char*** list,
                           int* count) { return GetURLList(kDefaultProfile, 1, list, count); }) &&
        Fill(m_blocked,
             [](char*** list, int* count) { return GetURLList(kDefaultProfile, 0, list, count); });
    if (!bRead) {
        EndForTamperedSettings(m_hWnd);
    }
    return TRUE;
}
