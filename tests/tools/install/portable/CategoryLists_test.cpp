// Lists added by pcinstall land in the folder of lists under names the category server
// recognises as what they are.
#include "tools/install/portable/CategoryLists.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/TempPath.h"
#include "tools/category-server/portable/CatalogueFolder.h"

namespace {

namespace fs = std::filesystem;
using Kind = CListSource::Kind;

class CategoryListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_downloads.Path() / "blacklists" / "gambling");
        Write("blacklists/gambling/domains", "casino.example\n");
        Write("hosts.txt", "0.0.0.0 a.example\n");
        Write("easylist", "||ads.example^\n");
        Write("mine", "b.example News\n");
        Write("map.txt", "gambling Gambling\n");
        Write("list-map.txt", "x y\n");
        Write("ut1.tar.gz", "not really\n");
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(m_downloads.Path() / name) << text;
    }
    std::string Download(const std::string& name) const {
        return (m_downloads.Path() / name).string();
    }
    std::string Folder() const { return (m_installed.Path() / "Categories").string() + "/"; }
    bool Add(const CCategoryListToAdd& list, std::string& strError) const {
        std::string strAdded;
        return AddCategoryList(list, Folder(), strAdded, strError);
    }

    CTempPath m_downloads{"downloads"};
    CTempPath m_installed{"installed"};
};

TEST_F(CategoryListsTest, EachKindIsLoadedAsWhatItIs) {
    std::string strError;
    ASSERT_TRUE(Add({Download("blacklists"), "", "", ""}, strError)) << strError;
    ASSERT_TRUE(Add({Download("hosts.txt"), "hosts", "Gambling", ""}, strError)) << strError;
    ASSERT_TRUE(Add({Download("easylist"), "adblock", "Advertising", ""}, strError)) << strError;
    ASSERT_TRUE(Add({Download("mine"), "domains", "Social Networking", ""}, strError)) << strError;
    ASSERT_TRUE(Add({Download("mine"), "", "", Download("map.txt")}, strError)) << strError;
    ASSERT_TRUE(Add({Download("ut1.tar.gz"), "", "", ""}, strError)) << strError;

    CServerOptions options;
    options.strCatalogue = Folder();
    const CListsToLoad loaded = ListsToLoad(options, "");
    EXPECT_TRUE(loaded.ignored.empty()) << ::testing::PrintToString(loaded.ignored);
    std::vector<std::tuple<Kind, std::string, std::string>> got;
    for (const CListSource& source : loaded.lists.sources) {
        got.emplace_back(source.kind, fs::path(source.strPath).filename().string(),
                         source.strCategory);
    }
    const std::vector<std::tuple<Kind, std::string, std::string>> expected = {
        {Kind::Tree, "blacklists", ""},
        {Kind::Adblock, "easylist.Advertising.adblock", "Advertising"},
        {Kind::Hosts, "hosts.Gambling.hosts", "Gambling"},
        {Kind::Domains, "mine.Social Networking.domains", "Social Networking"},
        {Kind::Database, "mine.txt", ""},
        {Kind::Tarball, "ut1.tar.gz", ""},
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(fs::path(loaded.lists.strMapFile).filename(), "list-map.txt");
    std::ifstream map(loaded.lists.strMapFile);
    std::string line;
    EXPECT_TRUE(std::getline(map, line) && line == "gambling Gambling");
    EXPECT_TRUE(fs::exists(Folder() + "blacklists/gambling/domains"));
}

TEST_F(CategoryListsTest, TreeAddedAgainIsReplacedWhole) {
    std::string strError;
    ASSERT_TRUE(Add({Download("blacklists"), "", "", ""}, strError)) << strError;
    fs::remove_all(m_downloads.Path() / "blacklists" / "gambling");
    fs::create_directories(m_downloads.Path() / "blacklists" / "adult");
    Write("blacklists/adult/domains", "x.example\n");
    // Given with its last slash, as a shell completes it.
    ASSERT_TRUE(Add({Download("blacklists") + "/", "", "", ""}, strError)) << strError;
    EXPECT_FALSE(fs::exists(Folder() + "blacklists/gambling"));
    EXPECT_TRUE(fs::exists(Folder() + "blacklists/adult/domains"));
}

TEST_F(CategoryListsTest, RefusalsSayWhy) {
    const struct {
        CCategoryListToAdd list;
        const char* szWhy;
    } refusals[] = {
        {{Download("hosts.txt"), "hosts", "Gambling.Sites", ""}, "cannot name a file"},
        {{Download("hosts.txt"), "hosts", "a/b", ""}, "cannot name a file"},
        {{Download("hosts.txt"), "hosts", "", ""}, "cannot name a file"},
        {{Download("list-map.txt"), "", "", ""}, "--map"},
        {{Download("gone.txt"), "", "", ""}, "does not exist"},
        {{Download("blacklists"), "domains", "Adult", ""}, "not a folder"},
    };
    for (const auto& refusal : refusals) {
        std::string strError;
        EXPECT_FALSE(Add(refusal.list, strError)) << refusal.list.strSource;
        EXPECT_NE(strError.find(refusal.szWhy), std::string::npos) << strError;
    }
    EXPECT_TRUE(fs::is_empty(Folder()));
}

}  // namespace
