// DEFLATE decompression (RFC 1951): stored, fixed and dynamic Huffman blocks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class InflateStatus {
    kOk,         // the final block ended
    kTruncated,  // the input ended first
    kBadData,    // not a valid DEFLATE stream
    kTooLarge,   // the output would pass the limit given
};

struct CInflateResult {
    InflateStatus status = InflateStatus::kOk;
    std::size_t nConsumed = 0;  // input bytes up to the end of the final block (kOk only)
};

// Appends the stream's bytes to out (what was decoded stays there whatever the outcome). A
// back reference never reaches before out's size at the call.
CInflateResult Inflate(std::string_view in, std::string& out, std::size_t nMaxOut);
