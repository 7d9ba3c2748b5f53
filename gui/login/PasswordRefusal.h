// What a window says when the library does not take a password: the library's own message
// while the account's checks are refused after too many failures ("Too many attempts, try
// again in N seconds"), else the window's own text for a wrong password.
#pragma once

#include <windows.h>

class CWnd;

void ShowPasswordRefusal(const CWnd& window, UINT nIdWrongPassword);
