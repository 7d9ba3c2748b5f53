// The filter's identity in the Winsock catalogue, shared by the frame (which finds its own
// layer entry by it) and the installer (which registers the entries).
#pragma once

#include <winsock2.h>

// {3F8A61D2-7C4B-4E19-9D05-B2E6A4C8F731}: the layer entry.
inline constexpr GUID kProviderGuid = {
    0x3f8a61d2, 0x7c4b, 0x4e19, {0x9d, 0x05, 0xb2, 0xe6, 0xa4, 0xc8, 0xf7, 0x31}};
// {8D2E4B71-5A3C-4F60-B9E8-1C7D3A5F2E94}: the protocol chains that begin with it.
inline constexpr GUID kChainProviderGuid = {
    0x8d2e4b71, 0x5a3c, 0x4f60, {0xb9, 0xe8, 0x1c, 0x7d, 0x3a, 0x5f, 0x2e, 0x94}};
