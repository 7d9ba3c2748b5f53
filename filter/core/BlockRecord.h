// Every block the strict filter makes goes into the shared journal of blocks, where the
// settings program (or any program) reads why a site was refused.
#pragma once

#include "filter/core/portable/SocketFilterState.h"

// iScheme: BLOCK_SCHEME_HTTP (a block page delivered) or BLOCK_SCHEME_HTTPS (a connection
// refused). Never fails the caller: a journal that cannot be written loses the entry.
void RecordBlock(const SocketFilterState& state, int iScheme) noexcept;
