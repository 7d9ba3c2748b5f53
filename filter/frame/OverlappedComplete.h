// Completing an application's request from the frame's own record once the next provider has
// finished it, and freeing the socket record of a socket closed meanwhile.
#pragma once

#include <winsock2.h>
#include <windows.h>

struct SocketInfo;

void CALLBACK IntermediateCompletionRoutine(DWORD dwError, DWORD cbTransferred,
                                            LPWSAOVERLAPPED lpOverlapped, DWORD dwFlags);
void CALLBACK CallerCompletionApc(DWORD_PTR dwContext);
// Takes back one count of OutstandingAsync; when that was the last of a closed socket, closes
// its application handle and frees its record.
void CheckForContextClenaup(SocketInfo* pInfo);
