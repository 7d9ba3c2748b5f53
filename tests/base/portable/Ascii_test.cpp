#include "base/portable/Ascii.h"

#include <gtest/gtest.h>

#include <string>

// Only ASCII letters change case: bytes of other scripts are left as they are, whatever the
// locale, since they are not letters to a protocol.
TEST(Ascii, CaseFoldsOnlyAsciiLetters) {
    std::string text =
        "News.Example/\xC3\x84"
        "B-Z@[`{";
    ToLowerAscii(text);
    EXPECT_EQ(text,
              "news.example/\xC3\x84"
              "b-z@[`{");
    EXPECT_EQ(LowerCopy("HTTP://A"), "http://a");
    EXPECT_TRUE(EqualsNoCase("Content-Length", "content-LENGTH"));
    EXPECT_FALSE(EqualsNoCase("Content-Length", "Content-Length "));
    EXPECT_TRUE(EqualsLower("List-Map.TXT", "list-map.txt"));
    EXPECT_FALSE(EqualsLower("list-map.txt", "LIST-MAP.TXT"));  // the second is no lower form
    EXPECT_TRUE(StartsWithNoCase("HTTPS://x", "https://"));
    EXPECT_FALSE(StartsWithNoCase("HTTP", "http:"));
}

TEST(Ascii, TrimsTheBlanksAsked) {
    EXPECT_EQ(TrimAscii(" \t\r\n\v\fa b\f\v\n\r\t "), "a b");
    EXPECT_EQ(TrimAscii(" \t \r\n"), "");
    EXPECT_EQ(TrimAscii(""), "");
    EXPECT_EQ(TrimAscii("\r value \r", " \t"), "\r value \r");
    EXPECT_TRUE(IsAsciiBlank('\v'));
    EXPECT_FALSE(IsAsciiBlank('\0'));
}
