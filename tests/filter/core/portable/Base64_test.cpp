#include "filter/core/portable/Base64.h"

#include <gtest/gtest.h>

#include <string>

TEST(Base64, TheStandardsVectorsAndEveryByte) {
    const struct {
        const char* szIn;
        const char* szOut;
    } cases[] = {{"", ""},
                 {"f", "Zg=="},
                 {"fo", "Zm8="},
                 {"foo", "Zm9v"},
                 {"foob", "Zm9vYg=="},
                 {"fooba", "Zm9vYmE="},
                 {"foobar", "Zm9vYmFy"}};
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeBase64(c.szIn), c.szOut) << c.szIn;
    }
    EXPECT_EQ(EncodeBase64(std::string("\xff\xd8\xff\x00", 4)), "/9j/AA==");
}
