// Reloads: a good one replaces the served index, a failed one keeps it and says so, and a
// changed list is noticed by the watch.
#include "tools/category-server/portable/IndexReloader.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/TempPath.h"

namespace {

namespace fs = std::filesystem;

class IndexReloaderTest : public ::testing::Test {
protected:
    IndexReloaderTest() {
        fs::create_directories(m_folder.Path());
        Write("a.example News\n");
        m_options.lists.sources.push_back({CListSource::Kind::Database, m_db, ""});
        m_options.uWatchSeconds = 2;
    }
    void Write(const std::string& text) {
        const bool bExisted = fs::exists(m_db);
        const auto time = bExisted ? fs::last_write_time(m_db) : fs::file_time_type();
        std::ofstream(m_db) << text;
        if (bExisted) {  // a change the watch sees however coarse the file times are
            fs::last_write_time(m_db, time + std::chrono::seconds(2));
        }
    }
    std::string Output() const {
        std::ifstream in(m_log);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static std::string CategoryOf(CIndexReloader& reloader, const char* szUrl) {
        return std::string(reloader.Served().Current()->Lookup(szUrl).category);
    }

    CTempPath m_folder{"reloader"};
    std::string m_db = (m_folder.Path() / "db.txt").string();
    std::string m_log = (m_folder.Path() / "out.log").string();
    CServerOptions m_options;
    CServerOutput m_output{m_log};
};

TEST_F(IndexReloaderTest, GoodReloadReplacesFailedOneKeeps) {
    CIndexReloader reloader(m_options, "", m_output);
    EXPECT_NE(reloader.FirstLoad().find("1 entries"), std::string::npos) << reloader.FirstLoad();
    EXPECT_EQ(CategoryOf(reloader, "a.example"), "News");

    Write("a.example Gambling\n");
    EXPECT_TRUE(reloader.Reload("test"));
    EXPECT_EQ(CategoryOf(reloader, "a.example"), "Gambling");

    fs::remove(m_db);
    EXPECT_FALSE(reloader.Reload("test"));
    EXPECT_EQ(CategoryOf(reloader, "a.example"), "Gambling");
    const std::string output = Output();
    EXPECT_NE(output.find("reloaded (test): 1 entries"), std::string::npos) << output;
    EXPECT_NE(output.find("reload (test) kept the previous index"), std::string::npos) << output;
    EXPECT_NE(output.find("list error: "), std::string::npos) << output;
}

TEST_F(IndexReloaderTest, WatchReloadsEveryFewTicksOnlyAfterAChange) {
    CIndexReloader reloader(m_options, "", m_output);
    reloader.Tick();
    reloader.Tick();
    Write("a.example Sports\n");
    reloader.Tick();
    EXPECT_EQ(CategoryOf(reloader, "a.example"), "News");  // between looks
    reloader.Tick();
    EXPECT_EQ(CategoryOf(reloader, "a.example"), "Sports");
    reloader.Tick();
    reloader.Tick();
    EXPECT_EQ(Output().find("reloaded", Output().find("reloaded") + 1), std::string::npos)
        << "reloaded twice for one change:\n"
        << Output();
}

TEST_F(IndexReloaderTest, FirstLoadServesWhatItCouldAndReportsTheRest) {
    m_options.lists.sources.push_back(
        {CListSource::Kind::Database, (m_folder.Path() / "missing.txt").string(), ""});
    CIndexReloader reloader(m_options, "", m_output);
    EXPECT_EQ(CategoryOf(reloader, "a.example"), "News");
    reloader.ReportFirstLoad();
    EXPECT_NE(Output().find("list error: "), std::string::npos) << Output();
    EXPECT_NE(Output().find("missing.txt"), std::string::npos) << Output();
}

}  // namespace
