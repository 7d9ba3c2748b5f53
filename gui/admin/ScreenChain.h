// The administration screens, one modal screen after another from the Administration
// screen, each naming the next by its result.
#pragma once

#include <windows.h>

// Runs the chain; returns screens::kHide or screens::kShowLogin. hLogin owns its messages.
int RunAdministrationScreens(HWND hLogin);
