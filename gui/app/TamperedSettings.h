// The end of the program when the settings cannot be read: they were altered or damaged
// beyond the library's repair.
#pragma once

#include <windows.h>

// Shows "configuration is tempered" (a stop box owned by hOwner), takes the tray icon away,
// writes the Run entry as every end of the program does, and ends the process with code 0.
[[noreturn]] void EndForTamperedSettings(HWND hOwner);
