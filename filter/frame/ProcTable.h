// The procedure table WSPStartup hands back: the frame's own 30 entries, in the published
// order.
#pragma once

#include <winsock2.h>
#include <ws2spi.h>

void FillProcTable(LPWSPPROC_TABLE lpProcTable);
