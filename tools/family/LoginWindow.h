// The settings program's login window driven from outside, as a person at the keyboard would
// use it: choose the name, type the password, press Login; and its tray menu's commands.
// Every wait is bounded.
#pragma once

#include <windows.h>

#include <string>

// The running program's login window; nullptr when none appears within dwTimeoutMs.
HWND FindLoginWindow(DWORD dwTimeoutMs);

// Logs strName in. False, with the program's message or what did not happen in strError,
// when the window did not accept the login.
bool LogInThroughWindow(HWND hLogin, const std::string& strName, const std::string& strPassword,
                        std::string& strError);

// The tray menu's Logout, then waits for the window to come back.
bool LogOutThroughTray(HWND hLogin, std::string& strError);

// The tray menu's Exit, then waits for the program to end.
bool ExitThroughTray(HWND hLogin, std::string& strError);
