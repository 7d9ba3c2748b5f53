// What a catalogue folder's files become: the names pcinstall gives the lists it copies in,
// and those a person drops in by hand.
#include "tools/category-server/portable/CatalogueFolder.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/TempPath.h"

namespace {

using Kind = CListSource::Kind;
namespace fs = std::filesystem;

class CatalogueFolderTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_folder.Path()); }
    void Add(const std::string& name) const {
        if (name.back() == '/') {
            fs::create_directories(m_folder.Path() / name);
        } else {
            std::ofstream(m_folder.Path() / name) << "x\n";
        }
    }
    std::string PathOf(const std::string& name) const { return (m_folder.Path() / name).string(); }
    CServerOptions Options() const {
        CServerOptions options;
        options.strCatalogue = m_folder.String();
        return options;
    }

    CTempPath m_folder{"catalogue"};
};

TEST_F(CatalogueFolderTest, FilesAreRecognisedByName) {
    for (const char* szName :
         {"blacklists/", "ut1.tar.gz", "more.TGZ", "list-map.txt", "public_suffix_list.dat",
          "Gambling.hosts", "casinos.Gambling.hosts", "Advertising.adblock",
          "friends.Social Networking.domains", "category-db.txt", "MINE.TXT", "CategoryServer.Log",
          "notes.doc", ".domains"}) {
        Add(szName);
    }
    const CListsToLoad loaded = ListsToLoad(Options(), "");
    EXPECT_EQ(loaded.strCatalogueError, "");
    const std::vector<CListSource> expected = {
        {Kind::Adblock, PathOf("Advertising.adblock"), "Advertising"},
        {Kind::Hosts, PathOf("Gambling.hosts"), "Gambling"},
        {Kind::Database, PathOf("MINE.TXT"), ""},
        {Kind::Tree, PathOf("blacklists"), ""},
        {Kind::Hosts, PathOf("casinos.Gambling.hosts"), "Gambling"},
        {Kind::Database, PathOf("category-db.txt"), ""},
        {Kind::Domains, PathOf("friends.Social Networking.domains"), "Social Networking"},
        {Kind::Tarball, PathOf("more.TGZ"), ""},
        {Kind::Tarball, PathOf("ut1.tar.gz"), ""},
    };
    ASSERT_EQ(loaded.lists.sources.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(loaded.lists.sources[i].kind, expected[i].kind) << i;
        EXPECT_EQ(loaded.lists.sources[i].strPath, expected[i].strPath) << i;
        EXPECT_EQ(loaded.lists.sources[i].strCategory, expected[i].strCategory) << i;
    }
    EXPECT_EQ(loaded.lists.strMapFile, PathOf("list-map.txt"));
    EXPECT_EQ(loaded.lists.strPublicSuffixFile, PathOf("public_suffix_list.dat"));
    const std::vector<std::string> ignored = {PathOf(".domains"), PathOf("notes.doc")};
    EXPECT_EQ(loaded.ignored, ignored);
}

TEST_F(CatalogueFolderTest, CommandLineComesFirstAndWins) {
    Add("list-map.txt");
    Add("public_suffix_list.dat");
    Add("a.txt");
    CServerOptions options = Options();
    options.lists.sources.push_back({Kind::Database, "given.txt", ""});
    options.lists.strMapFile = "given-map.txt";
    options.lists.strPublicSuffixFile = "given.dat";
    const CListsToLoad loaded = ListsToLoad(options, "");
    ASSERT_EQ(loaded.lists.sources.size(), 2U);
    EXPECT_EQ(loaded.lists.sources[0].strPath, "given.txt");
    EXPECT_EQ(loaded.lists.sources[1].strPath, PathOf("a.txt"));
    EXPECT_EQ(loaded.lists.strMapFile, "given-map.txt");
    EXPECT_EQ(loaded.lists.strPublicSuffixFile, "given.dat");
}

TEST_F(CatalogueFolderTest, SystemSuffixesOnlyWhenPresentAndNotTurnedOff) {
    const std::string system = PathOf("system.dat");
    EXPECT_EQ(ListsToLoad(Options(), system).lists.strPublicSuffixFile, "");
    std::ofstream(system) << "com\n";
    EXPECT_EQ(ListsToLoad(Options(), system).lists.strPublicSuffixFile, system);
    CServerOptions off = Options();
    off.bNoPublicSuffixes = true;
    Add("public_suffix_list.dat");
    EXPECT_EQ(ListsToLoad(off, system).lists.strPublicSuffixFile, "");
}

TEST_F(CatalogueFolderTest, MissingFolderIsAnError) {
    CServerOptions options;
    options.strCatalogue = PathOf("gone");
    const CListsToLoad loaded = ListsToLoad(options, "");
    EXPECT_NE(loaded.strCatalogueError.find("gone"), std::string::npos);
    EXPECT_TRUE(loaded.lists.sources.empty());
}

}  // namespace
