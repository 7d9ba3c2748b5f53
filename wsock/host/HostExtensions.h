// The stand-in host's own exports, for programs that drive a provider directly.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

extern "C" {

// Loads a provider as the host does, its Winsock imports pointing at the host.
HMODULE WSAAPI WshLoadProvider(const wchar_t* szPath);
// The upcall table the host gives providers.
const WSPUPCALLTABLE* WSAAPI WshUpcallTable();
// Points the running program's imports from ws2_32 (by name and by ordinal) and its
// CreateIoCompletionPort at the host; the number of imports rewritten. Shaped as a thread's
// start, for a launcher that runs it in another process (wsock/tools/wsrun).
DWORD WINAPI WshAttachProgram(LPVOID);
// CreateIoCompletionPort for programs the host serves: a handle the host issued is also
// remembered with its port, where WPUCompleteOverlappedRequest posts.
HANDLE WINAPI WshCreateIoCompletionPort(HANDLE hFile, HANDLE hExistingPort, ULONG_PTR uKey,
                                        DWORD dwThreads);
// Application handles a layer made with WPUCreateSocketHandle and has not closed: a layer
// that frees its socket records closes their handles, so this is its live record count.
size_t WSAAPI WshOpenSocketHandleCount();
}
