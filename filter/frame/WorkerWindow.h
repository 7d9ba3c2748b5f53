// The hidden window that receives the next providers' asynchronous-select notices, on a
// thread of its own, started by the first WSPAsyncSelect of the process.
#pragma once

#include <windows.h>

inline constexpr UINT kNoticeMessage = WM_USER + 1;

// The window, made on first use; null when it could not be made.
HWND GetWorkerWindow();
void StopWorkerWindow();
