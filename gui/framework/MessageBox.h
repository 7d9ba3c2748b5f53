// Message boxes and string-table texts of the program.
#pragma once

#include <windows.h>

#include <string>

// String nId of the program's string table; empty when there is none.
std::string LoadResourceString(UINT nId);
// String nId with its "%s" replaced by strArgument (taken as it is, never as a format).
std::string FormatResourceString(UINT nId, const std::string& strArgument);

// A message box owned by hOwner (or by no window), captioned with the program's title unless
// szCaption is given. Returns the button pressed.
int ShowMessageBox(HWND hOwner, const std::string& strText, UINT nType,
                   const char* szCaption = nullptr);
