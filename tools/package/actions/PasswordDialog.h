// The administrator's password for a new installation, asked by the package itself: its
// user-interface sequence runs in the parent's session, while the installation tool runs later
// as a system action, where no window reaches a person. Laid out and worded as the settings
// program's install-mode dialog, and with its rules: not empty, typed twice alike.
#pragma once

#include <windows.h>

#include <string>

// hResources: the module that carries the dialog (PackageActions.rc). The password, or false
// when the person cancelled.
bool AskNewAdminPassword(HWND hOwner, HINSTANCE hResources, std::wstring& strPassword);
