// The time rules of a screen (the wizard's Time Settings and the editor's Time page): the
// week grid, a minutes field a day with the "School days" and "Weekend" fields that fill
// theirs, the grid's "All day", "None" and "Copy Monday to weekdays", and the rules text the
// page makes, read-only. Every change goes straight into the edit state; the commit points
// write it.
#pragma once

#include <windows.h>

#include <array>

#include "gui/controls/TimeGridCtrl.h"
#include "gui/framework/Controls.h"

class CTimeRulesEditor {
public:
    explicit CTimeRulesEditor(const CWnd& screen) noexcept : m_screen(screen) {}

    // Binds the screen's controls and shows the edit state's rules.
    void Open();
    // A click on a grid button or a change of a minutes field; false for any other message.
    bool OnCommand(UINT uMsg, WPARAM wParam);

private:
    void OnDayField(int iDay);
    void OnShortcut(int iFirstDay, int iLastDay, const CEdit& field);
    // The text of the grid and the fields into the edit state and the rules text.
    void Store();
    void ShowText(const std::string& strText);

    const CWnd& m_screen;
    CTimeGridCtrl m_grid;
    std::array<CEdit, CTimeGrid::kDays> m_dayFields;
    CEdit m_schoolDays;
    CEdit m_weekend;
    CEdit m_text;
    // While fields are filled from the rules: their changes are not the person's.
    bool m_bFilling = false;
};
