// Completing an application's request from the frame's own record once the next provider has
// finished it, and freeing the socket record of a socket closed meanwhile.
#pragma once

#include <winsock2.h>
#include <windows.h>

struct OverlappedStructure;
struct SocketInfo;

void CALLBACK IntermediateCompletionRoutine(DWORD dwError, DWORD cbTransferred,
                                            LPWSAOVERLAPPED lpOverlapped, DWORD dwFlags);
void CALLBACK CallerCompletionApc(DWORD_PTR dwContext);
// Tells the application its request ended (error, byte count, flags in its record, then its
// event, port or completion routine), and gives the frame's record back.
void CompleteCallerRequest(OverlappedStructure* pRecord, DWORD dwError, DWORD cbTransferred,
                           DWORD dwFlags);
// Takes back one count of OutstandingAsync; when that was the last of a closed socket, closes
// its application handle and frees its record.
void CheckForContextClenaup(SocketInfo* pInfo);
