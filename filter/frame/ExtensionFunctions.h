// The next provider's TransmitFile and AcceptEx, fetched on an application's first request
// for them and kept for the whole process (whatever chain later sockets belong to). Written
// once without a lock: a race only writes the same value twice.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <mswsock.h>

extern LPFN_TRANSMITFILE lpfnProviderTransmitFile;
extern LPFN_ACCEPTEX lpfnProviderAcceptEx;
