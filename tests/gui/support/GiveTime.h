// "Give more time" driven as a parent would: a choice, the password, Give, and the message
// that answers.
#pragma once

#include <windows.h>

#include <string>

#include "gui/res/resource.h"
#include "tests/gui/support/GuiProgram.h"

// Gives with nChoice (IDC_GIVE_15 .. IDC_GIVE_UNTIL) and strPassword; the message's text once
// answered.
inline std::string GiveTime(const CGuiProgram& program, HWND hDialog, int nChoice,
                            const std::string& strPassword) {
    gui::ClickNow(hDialog, nChoice);
    gui::SetItemText(hDialog, IDC_GIVE_PASSWORD, strPassword);
    gui::Click(hDialog, IDOK);
    return program.TakeMessage(hDialog);
}
