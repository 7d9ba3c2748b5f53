// The owner of a CNG algorithm provider (BCryptOpenAlgorithmProvider).
#pragma once

#include <windows.h>

#include <bcrypt.h>

#include "win/UniqueHandle.h"

struct CCngAlgorithmTraits {
    using Handle = BCRYPT_ALG_HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::BCryptCloseAlgorithmProvider(h, 0); }
};

using CCngAlgorithm = CUniqueHandle<CCngAlgorithmTraits>;
