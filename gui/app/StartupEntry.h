// The Run entry that starts the program with "StartUp" at logon.
#pragma once

// Writes "QPC" under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run: the quoted path of
// Gui.exe in the installation folder, then " StartUp". Failures are silent.
void WriteStartupEntry();
