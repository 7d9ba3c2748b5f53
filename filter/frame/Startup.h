// The catalogue read and the procedure-table check of WSPStartup.
#pragma once

#include <winsock2.h>
#include <ws2spi.h>

#include "win/UniqueHandle.h"

// The whole catalogue, or an empty owner (*lpnTotalProtocols 0) when it cannot be read.
CGlobalMemory<WSAPROTOCOL_INFOW> GetProviders(LPINT lpnTotalProtocols);
// 0 when all 30 entries are set, else -1.
int CheckProcTable(const WSPPROC_TABLE* pTable);
