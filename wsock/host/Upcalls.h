// The upcall table the host hands to every provider's WSPStartup, and the application
// handles it issues for non-IFS providers (layers).
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2spi.h>

#include <cstddef>

namespace wsock {

const WSPUPCALLTABLE& UpcallTable() noexcept;
// Application handles issued by WPUCreateSocketHandle and not yet closed.
size_t OpenSocketHandleCount() noexcept;

}  // namespace wsock
