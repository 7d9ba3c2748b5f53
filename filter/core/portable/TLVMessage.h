// One message of the category lookup protocol: a type byte, a 4-byte little-endian total
// length (value length + 5), then the value bytes, with no terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TLVMessage {
public:
    static constexpr std::size_t kHeaderLength = 5;
    static constexpr std::size_t kBufferSize = 2000;  // the client's message buffer
    static constexpr std::size_t kMaxValueLength = kBufferSize - kHeaderLength;
    static constexpr int kCategorySearch = 4;
    // Answered with "h" or "u", a tab, then the category: whether the answer holds for the
    // whole host or only for the URL asked.
    static constexpr int kScopedCategorySearch = 6;

    // Outcomes kept in messageCode (a read reply carries its type byte instead).
    static constexpr int kWritten = 0;
    static constexpr int kReadFailed = -3;
    static constexpr int kWriteFailed = -4;

    TLVMessage() = default;
    TLVMessage(int iType, std::string_view strValue)
        : type(iType), length(static_cast<int>(strValue.size() + kHeaderLength)), value(strValue) {}

    // Writes the wire form into pOut (nCapacity bytes); 0 when it does not fit.
    std::size_t Encode(char* pOut, std::size_t nCapacity) const;

    // Decodes one received segment. False when it is shorter than its header, or its length
    // field is below 5 or beyond the bytes received: such a reply is a failed read.
    static bool Decode(std::string_view received, TLVMessage& out);

    // "TYPE :%d LENGTH :%d VALUE :%s MESSAGECODE :%d"; the value up to its first NUL.
    std::string Text() const;

    int type = 0;
    int length = static_cast<int>(kHeaderLength);
    std::string value;
    int messageCode = 0;
};
