// Module entry of the host, and the stand-in's own exports for test and benchmark programs
// that drive a provider directly.
#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include "wsock/host/HostExtensions.h"
#include "wsock/host/ImportPatch.h"
#include "wsock/host/ProviderHost.h"
#include "wsock/host/Upcalls.h"

namespace {

HMODULE g_hHostModule = nullptr;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_hHostModule = hInstance;
        ::DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

// Loads a provider as the host would, with its Winsock imports pointing here.
HMODULE WSAAPI WshLoadProvider(const wchar_t* szPath) {
    HMODULE hModule = ::LoadLibraryW(szPath);
    if (hModule != nullptr) {
        wsock::RedirectWinsockImports(hModule, g_hHostModule);
    }
    return hModule;
}

// The upcall table the host gives providers.
const WSPUPCALLTABLE* WSAAPI WshUpcallTable() {
    return &wsock::UpcallTable();
}

DWORD WINAPI WshAttachProgram(LPVOID) {
    return static_cast<DWORD>(wsock::RedirectWinsockImports(
        ::GetModuleHandleW(nullptr), g_hHostModule, wsock::ImportScope::kProgram));
}

size_t WSAAPI WshOpenSocketHandleCount() {
    return wsock::OpenSocketHandleCount();
}

}  // extern "C"

namespace wsock {

HMODULE HostModule() noexcept {
    return g_hHostModule;
}

}  // namespace wsock
