// The one tear-down of what the first WSPStartup built: every socket still open is reset and
// closed, every next provider cleaned up and unloaded, and the private heap destroyed.
#pragma once

#include <winsock2.h>

void FreeSocketsAndMemory(LPINT lpErrno);
