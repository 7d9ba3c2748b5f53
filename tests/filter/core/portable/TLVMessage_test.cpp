#include "filter/core/portable/TLVMessage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Wire(const TLVMessage& message) {
    char buffer[TLVMessage::kBufferSize];
    return std::string(buffer, message.Encode(buffer, sizeof buffer));
}

}  // namespace

TEST(TLVMessage, EncodesTypeLittleEndianLengthAndValue) {
    EXPECT_EQ(Wire(TLVMessage(4, "abc")), std::string("\x04\x08\x00\x00\x00"
                                                      "abc",
                                                      8));
    const std::string value(300, 'v');
    const std::string wire = Wire(TLVMessage(4, value));
    EXPECT_EQ(wire.substr(0, 5), std::string("\x04\x31\x01\x00\x00", 5));  // 305
    // 1995 value bytes fill the buffer exactly; one more does not fit.
    EXPECT_EQ(Wire(TLVMessage(4, std::string(1995, 'u'))).size(), 2000u);
    EXPECT_EQ(Wire(TLVMessage(4, std::string(1996, 'u'))).size(), 0u);
}

TEST(TLVMessage, DecodesReplies) {
    TLVMessage reply;
    ASSERT_TRUE(TLVMessage::Decode(std::string("\x04\x05\x00\x00\x00", 5), reply));
    EXPECT_EQ(reply.value, "");
    EXPECT_EQ(reply.messageCode, 4);

    const std::string longValue(400, 'c');
    ASSERT_TRUE(TLVMessage::Decode(Wire(TLVMessage(0, longValue)) + "trailing", reply));
    EXPECT_EQ(reply.value, longValue);
    EXPECT_EQ(reply.length, 405);
    EXPECT_EQ(reply.messageCode, 0);
    EXPECT_EQ(TLVMessage(4, "News").Text(), "TYPE :4 LENGTH :9 VALUE :News MESSAGECODE :0");
}

TEST(TLVMessage, RefusesLengthsOutsideTheReceivedBytes) {
    TLVMessage reply;
    EXPECT_FALSE(TLVMessage::Decode("", reply));
    EXPECT_FALSE(TLVMessage::Decode(std::string("\x04\x05\x00\x00", 4), reply));
    EXPECT_FALSE(TLVMessage::Decode(std::string("\x04\x04\x00\x00\x00", 5), reply));
    EXPECT_FALSE(TLVMessage::Decode(std::string("\x04\x09\x00\x00\x00"
                                                "abc",
                                                8),
                                    reply));
    EXPECT_FALSE(TLVMessage::Decode(std::string("\x04\xFF\xFF\xFF\xFF"
                                                "abc",
                                                8),
                                    reply));
}
