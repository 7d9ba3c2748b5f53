// The map from list categories to the product's, and the ranks its order gives.
#include "tools/category-server/portable/CategoryMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CategoryMapTest, NamesBlanksCommentsAndRanks) {
    CCategoryMap map;
    const std::size_t nSkipped = map.Parse(
        "# list name, then the product's\n"
        "malware Malware\n"
        "adult\tAdult\r\n"
        "  mixed_adult    Adult  \n"
        "webmail Web Mail # two words\n"
        "\n"
        "orphan\n"          // no product name
        "adult Gambling\n"  // mapped before: the first stays
        "social_networks Social Networking");
    EXPECT_EQ(nSkipped, 2U);
    const std::pair<const char*, const char*> cases[] = {
        {"malware", "Malware"},
        {"adult", "Adult"},
        {"mixed_adult", "Adult"},
        {"webmail", "Web Mail"},
        {"social_networks", "Social Networking"},
        {"orphan", "orphan"},
        {"unknown", "unknown"},
        {"Adult", "Adult"},
        {"ADULT", "ADULT"},  // list names are matched exactly
    };
    for (const auto& [szList, szProduct] : cases) {
        EXPECT_EQ(map.ProductName(szList), szProduct) << szList;
    }
    EXPECT_EQ(map.Ranked(),
              (std::vector<std::string>{"Malware", "Adult", "Web Mail", "Social Networking"}));
}

}  // namespace
