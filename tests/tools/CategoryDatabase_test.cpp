#include "tools/category-server/CategoryDatabase.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(CategoryDatabase, LongestHostOrPathMatchWins) {
    std::istringstream in(
        "# comment\n"
        "sports.example Sports\n"
        "sports.example/betting Gambling\n"
        "play.sports.example Games\n"
        "\n"
        "social.example Social Networking\r\n");
    CCategoryDatabase database;
    ASSERT_EQ(database.Load(in), 4u);
    EXPECT_EQ(database.Lookup("sports.example/"), "Sports");
    EXPECT_EQ(database.Lookup("www.sports.example/scores"), "Sports");
    EXPECT_EQ(database.Lookup("sports.example/betting/odds"), "Gambling");
    EXPECT_EQ(database.Lookup("http://play.sports.example:8080/x"), "Games");
    EXPECT_EQ(database.Lookup("SOCIAL.example/"), "Social Networking");
    EXPECT_EQ(database.Lookup("notsports.example/"), std::nullopt);
    EXPECT_EQ(database.Lookup(""), std::nullopt);
}
