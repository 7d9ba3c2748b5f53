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
// Application handles a layer made with WPUCreateSocketHandle and has not closed: a layer
// that frees its socket records closes their handles, so this is its live record count.
size_t WSAAPI WshOpenSocketHandleCount();
}
