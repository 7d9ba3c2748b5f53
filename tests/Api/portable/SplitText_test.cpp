#include "Api/portable/SplitText.h"

#include <gtest/gtest.h>

#include <string>

#include "base/portable/Ascii.h"

namespace {

std::string Joined(const std::vector<std::string>& pieces) {
    std::string text;
    for (const std::string& piece : pieces) {
        text += piece;
    }
    return text;
}

}  // namespace

TEST(SplitText, PiecesFitAndNeverBeginOrEndWithABlank) {
    const std::string texts[] = {
        "",
        "allow mon 07:00-08:00",
        "allow all 07:00-08:00; limit mon 30; limit tue 45; allow sat,sun none",
        std::string(1000, 'x'),
        "ab cd ef gh ij kl mn op qr st uv wx yz",
    };
    for (const std::string& text : texts) {
        for (const std::size_t nMax : {6u, 7u, 16u, 337u}) {
            const std::vector<std::string> pieces = SplitForValues(text, nMax);
            EXPECT_EQ(Joined(pieces), text) << nMax << ' ' << text;
            for (const std::string& piece : pieces) {
                ASSERT_FALSE(piece.empty());
                EXPECT_LE(piece.size(), nMax);
                EXPECT_FALSE(IsAsciiBlank(piece.front()) || IsAsciiBlank(piece.back())) << piece;
            }
        }
    }
}

TEST(SplitText, TextThatCannotBeCutGivesNoPieces) {
    // A cut goes between two characters that are not blanks.
    EXPECT_TRUE(SplitForValues("a b c d", 3).empty());
    EXPECT_TRUE(SplitForValues("ab     cd", 4).empty());
    EXPECT_TRUE(SplitForValues(" leading", 337).empty());
    EXPECT_TRUE(SplitForValues("x", 1).empty());
}
