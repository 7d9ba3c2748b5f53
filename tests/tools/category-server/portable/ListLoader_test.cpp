// Loading a set of lists of every kind into one index: ranks across sources, what is skipped,
// what cannot be read, and the files to watch. Then the lists the repository ships.
#include "tools/category-server/portable/ListLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/TempPath.h"
#include "tools/category-server/portable/CategoryMap.h"
#include "tools/category-server/portable/ListFile.h"

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, std::string_view text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

bool Has(const std::vector<std::string>& items, const fs::path& path) {
    return std::find(items.begin(), items.end(), path.string()) != items.end();
}

class ListLoaderTest : public testing::Test {
protected:
    void SetUp() override {
        const fs::path tree = m_dir.Path() / "tree" / "blacklists";
        Write(tree / "adult" / "domains", "adult.example\nshared.example\nbad name\n");
        Write(tree / "adult" / "urls", "free.example/adult\n");
        Write(tree / "adult" / "usage", "black\n");
        Write(tree / "gambling" / "domains", "casino.example\nshared.example\ncom\n");
        Write(tree / "press" / "domains", "news.example\nshared.example\n");
        Write(tree / "zzz" / "domains", "free.example\nzzz.example\n");
        fs::create_directory_symlink("adult", tree / "porn");
        Write(m_dir.Path() / "map.txt", "# ours\nadult Adult\ngambling Gambling\npress News\n");
        Write(m_dir.Path() / "psl.dat", "// suffixes\ncom\nco.uk\n");
        Write(m_dir.Path() / "hosts", "127.0.0.1 localhost\n0.0.0.0 tracker.example co.uk\n");
        Write(m_dir.Path() / "ads.txt", "[Adblock Plus 2.0]\n||ads.example^\n||x.example^$image\n");
        Write(m_dir.Path() / "plain.txt", "plain.example\nzzz.example\n");
        Write(m_dir.Path() / "db.txt", "# db\nnews.example/sport Sports\nzzz.example Zeta\n");
        Write(m_dir.Path() / "tar" / "lists" / "games" / "domains", "games.example\n");
        const std::string command = "tar -czf " + (m_dir.Path() / "games.tar.gz").string() +
                                    " -C " + (m_dir.Path() / "tar").string() + " lists";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    CListSet AllSources() const {
        using Kind = CListSource::Kind;
        CListSet lists;
        const auto path = [&](const char* szName) { return (m_dir.Path() / szName).string(); };
        lists.sources = {
            {Kind::Tree, path("tree"), ""},
            {Kind::Tarball, path("games.tar.gz"), ""},
            {Kind::Hosts, path("hosts"), "Malware"},
            {Kind::Adblock, path("ads.txt"), "Advertising"},
            {Kind::Domains, path("plain.txt"), "Adult"},
            {Kind::Database, path("db.txt"), ""},
            {Kind::Hosts, path("missing-hosts"), "Malware"},
        };
        lists.strMapFile = path("map.txt");
        lists.strPublicSuffixFile = path("psl.dat");
        return lists;
    }

    CTempPath m_dir{"lists"};
};

TEST_F(ListLoaderTest, EverySourceKindInOneIndex) {
    CLoadReport report;
    const auto index = LoadLists(AllSources(), report);
    const std::pair<const char*, const char*> cases[] = {
        {"adult.example", "Adult"},
        {"www.casino.example", "Gambling"},
        {"news.example", "News"},
        {"news.example/sport/x", "Sports"},  // a path beats the domain entry
        {"shared.example", "Adult"},         // the map's first of three
        {"free.example/adult/x", "Adult"},   // a mapped urls entry
        {"free.example/other", "zzz"},       // an unmapped category keeps its name
        {"zzz.example", "Adult"},            // mapped categories rank before the others
        {"games.example", "games"},          // from the tarball, unmapped
        {"tracker.example", "Malware"},
        {"ads.example", "Advertising"},
        {"plain.example", "Adult"},
        {"x.example", ""},  // a rule with options
        {"com", ""},        // a public suffix
        {"co.uk", ""},
        {"localhost", ""},
    };
    for (const auto& [szUrl, szCategory] : cases) {
        EXPECT_EQ(index->Lookup(szUrl).category, szCategory) << szUrl;
    }
    // Skipped: "bad name", "com", "co.uk", the "$image" rule.
    EXPECT_EQ(report.nSkipped, 4U);
    EXPECT_EQ(report.nEntries, index->EntryCount());
    EXPECT_EQ(report.nEntries, 12U);
    ASSERT_EQ(report.errors.size(), 1U);
    EXPECT_NE(report.errors[0].find("missing-hosts"), std::string::npos);
    EXPECT_EQ(report.Summary(),
              "12 entries, 4 skipped, 1 errors (first: " + report.errors[0] + ")");
    for (const char* szFile :
         {"map.txt", "psl.dat", "hosts", "games.tar.gz", "db.txt", "tree/blacklists/adult/domains",
          "tree/blacklists/adult/urls", "tree/blacklists/zzz", "tree"}) {
        EXPECT_TRUE(Has(report.files, m_dir.Path() / szFile)) << szFile;
    }
    EXPECT_FALSE(Has(report.files, m_dir.Path() / "tree/blacklists/adult/usage"));
    EXPECT_FALSE(Has(report.files, m_dir.Path() / "tree/blacklists/porn"));
}

TEST_F(ListLoaderTest, NothingIsFatal) {
    CListSet lists;
    lists.strMapFile = (m_dir.Path() / "no-map").string();
    lists.strPublicSuffixFile = (m_dir.Path() / "tree").string();  // a folder
    lists.sources = {{CListSource::Kind::Tree, (m_dir.Path() / "nothing").string(), ""},
                     {CListSource::Kind::Tarball, (m_dir.Path() / "db.txt").string(), ""},
                     {CListSource::Kind::Domains, (m_dir.Path() / "plain.txt").string(), "A\tB"},
                     {CListSource::Kind::Database, (m_dir.Path() / "db.txt").string(), ""}};
    CLoadReport report;
    const auto index = LoadLists(lists, report);
    EXPECT_EQ(report.errors.size(), 4U);
    EXPECT_EQ(report.nEntries, 2U);
    EXPECT_EQ(report.nSkipped, 2U);  // a category name no reply may carry
    EXPECT_EQ(index->Lookup("zzz.example").category, "Zeta");
}

TEST(ShippedListsTest, TheDatabaseLoadsWhole) {
    CListSet lists;
    lists.sources = {{CListSource::Kind::Database, PC_SOURCE_DIR "/data/category-db.txt", ""}};
    CLoadReport report;
    const auto index = LoadLists(lists, report);
    EXPECT_EQ(report.nSkipped, 0U);
    EXPECT_TRUE(report.errors.empty());
    EXPECT_EQ(report.nEntries, 20U);
    EXPECT_EQ(index->Lookup("http://www.sports.example/betting/odds").category, "Gambling");
    EXPECT_EQ(index->Lookup("127.0.0.1:8080/games/x").category, "Games");
    EXPECT_EQ(index->Lookup("play.games.example").category, "Entertainment");
}

// The map shipped for the collections' folder names: every folder mapped, and every product
// name either one the product lists already or one of those the map brings.
TEST(ShippedListsTest, TheMapNamesEveryCommonFolder) {
    std::string text;
    std::string error;
    ASSERT_TRUE(ReadListFile(PC_SOURCE_DIR "/data/list-map.txt", text, error)) << error;
    CCategoryMap map;
    EXPECT_EQ(map.Parse(text), 0U);
    for (const char* szFolder : {"adult",
                                 "gambling",
                                 "games",
                                 "social_networks",
                                 "chat",
                                 "dating",
                                 "phishing",
                                 "malware",
                                 "vpn",
                                 "redirector",
                                 "strong_redirector",
                                 "shopping",
                                 "press",
                                 "sports",
                                 "webmail",
                                 "warez",
                                 "violence",
                                 "drugs",
                                 "hacking",
                                 "filehosting",
                                 "audio-video",
                                 "blog",
                                 "forums",
                                 "jobsearch",
                                 "financial",
                                 "bank",
                                 "educational_games",
                                 "mixed_adult",
                                 "lingerie",
                                 "sect",
                                 "shortener",
                                 "publicite",
                                 "cooking",
                                 "celebrity",
                                 "manga",
                                 "radio",
                                 "mobile-phone",
                                 "remote-control",
                                 "download",
                                 "update"}) {
        EXPECT_NE(map.ProductName(szFolder), szFolder) << szFolder;
    }
    ASSERT_TRUE(ReadListFile(PC_SOURCE_DIR "/data/categories.txt", text, error)) << error;
    std::set<std::string> known;
    std::istringstream names(text);
    for (std::string name; std::getline(names, name, ',');) {
        known.insert(name.substr(0, name.find_last_not_of("\r\n") + 1));
    }
    for (const char* szNew :
         {"Malware", "Phishing", "Anonymizer", "Piracy", "Advertising", "Web Mail", "File Hosting",
          "Blogs", "Forums", "Job Search", "Cults", "URL Shorteners", "Food and Cooking",
          "Remote Access", "Software Downloads", "Software Updates"}) {
        known.insert(szNew);
    }
    for (const std::string& product : map.Ranked()) {
        EXPECT_EQ(known.count(product), 1U) << product;
    }
}

}  // namespace
