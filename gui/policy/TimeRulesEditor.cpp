#include "gui/policy/TimeRulesEditor.h"

#include <cstring>

#include "Api/PolicyApi.h"
#include "gui/admin/ProfileEditState.h"
#include "gui/app/GuiLog.h"
#include "gui/res/resource.h"

namespace {

constexpr int kSaturday = 5;
constexpr int kFriday = 4;
// Digits enough for any day.
constexpr size_t kMinutesDigits = 4;

}  // namespace

void CTimeRulesEditor::Open() {
    m_grid.AttachDlgItem(IDC_TIME_GRID, m_screen);
    for (int iDay = 0; iDay < CTimeGrid::kDays; ++iDay) {
        m_dayFields[static_cast<size_t>(iDay)].Attach(
            m_screen.GetDlgItem(IDC_TIME_MINUTES_MON + iDay));
    }
    m_schoolDays.Attach(m_screen.GetDlgItem(IDC_TIME_SCHOOL_DAYS));
    m_weekend.Attach(m_screen.GetDlgItem(IDC_TIME_WEEKEND));
    m_text.Attach(m_screen.GetDlgItem(IDC_TIME_RULES_TEXT));
    const std::string& strStored = gProfileEditState.timeRules;
    const TimeRulesParse parsed = ParseTimeRules(strStored);
    if (!parsed.ok) {
        // The library keeps only texts it reads: this one is not the stored one.
        gGuiLog.Write("CTimeRulesEditor :: rules not read: " + parsed.fault, 1);
    }
    const CTimeGrid grid(parsed.rules);
    m_grid.SetGrid(grid);
    m_bFilling = true;
    for (int iDay = 0; iDay < CTimeGrid::kDays; ++iDay) {
        CEdit& field = m_dayFields[static_cast<size_t>(iDay)];
        field.LimitText(kMinutesDigits);
        field.SetWindowText(MinutesFieldText(grid.Limit(iDay)));
    }
    m_schoolDays.LimitText(kMinutesDigits);
    m_weekend.LimitText(kMinutesDigits);
    m_bFilling = false;
    ShowText(strStored);
    m_grid.SetChangeHandler([this] { Store(); });
}

bool CTimeRulesEditor::OnCommand(UINT uMsg, WPARAM wParam) {
    if (uMsg != WM_COMMAND) {
        return false;
    }
    const int nId = LOWORD(wParam);
    const int nCode = HIWORD(wParam);
    if (nCode == EN_CHANGE) {
        if (nId >= IDC_TIME_MINUTES_MON && nId < IDC_TIME_MINUTES_MON + CTimeGrid::kDays) {
            OnDayField(nId - IDC_TIME_MINUTES_MON);
            return true;
        }
        if (nId == IDC_TIME_SCHOOL_DAYS) {
            OnShortcut(0, kFriday, m_schoolDays);
            return true;
        }
        if (nId == IDC_TIME_WEEKEND) {
            OnShortcut(kSaturday, CTimeGrid::kDays - 1, m_weekend);
            return true;
        }
        return false;
    }
    if (nCode != BN_CLICKED) {
        return false;
    }
    CTimeGrid grid = m_grid.Grid();
    switch (nId) {
        case IDC_TIME_ALL_DAY:
            grid.SetAll(true);
            break;
        case IDC_TIME_NONE:
            grid.SetAll(false);
            break;
        case IDC_TIME_COPY_MONDAY:
            grid.CopyMondayToWeekdays();
            break;
        default:
            return false;
    }
    m_grid.SetGrid(grid);
    Store();
    return true;
}

void CTimeRulesEditor::OnDayField(int iDay) {
    if (m_bFilling) {
        return;
    }
    CEdit& field = m_dayFields[static_cast<size_t>(iDay)];
    int iMinutes = 0;
    if (!ParseMinutesField(field.GetWindowText(), iMinutes)) {
        // Only digits make minutes (a paste can bring others): the field goes back.
        m_bFilling = true;
        field.SetWindowText(MinutesFieldText(m_grid.Grid().Limit(iDay)));
        m_bFilling = false;
        return;
    }
    m_grid.SetLimit(iDay, iMinutes);
    Store();
}

void CTimeRulesEditor::OnShortcut(int iFirstDay, int iLastDay, const CEdit& field) {
    const std::string strText = field.GetWindowText();
    // Each day's field tells its own change.
    for (int iDay = iFirstDay; iDay <= iLastDay; ++iDay) {
        m_dayFields[static_cast<size_t>(iDay)].SetWindowText(strText);
    }
}

void CTimeRulesEditor::Store() {
    TimeRules rules;
    std::string strFault;
    CProfileEditState& state = gProfileEditState;
    // A day of too many periods is kept as it stands: the rules text names the fault, and a
    // commit is refused and tells so.
    state.timeRules = m_grid.Grid().ToRules(rules, strFault) ? FormatTimeRules(rules) : strFault;
    state.timeRulesChanged = true;
    listsChanged = 1;
    ShowText(state.timeRules);
}

void CTimeRulesEditor::ShowText(const std::string& strText) {
    std::string strCanonical(TIME_RULES_TEXT_SIZE, '\0');
    if (CheckTimeRules(strText.c_str(), strCanonical.data(),
                       static_cast<int>(strCanonical.size())) == 0) {
        // The fault in place of the text: what a commit would refuse.
        strCanonical.resize(std::strlen(strCanonical.c_str()));
        m_text.SetWindowText("Not valid: " + strCanonical);
        return;
    }
    m_text.SetWindowText(strText);
}
