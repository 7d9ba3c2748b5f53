// Which changes of list files cause a reload.
#include "tools/category-server/portable/ListWatcher.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/TempPath.h"

namespace {

namespace fs = std::filesystem;

TEST(ListWatcherTest, TimeSizeAppearingAndGoing) {
    const CTempPath folder("watch");
    fs::create_directories(folder.Path());
    const std::string file = (folder.Path() / "db.txt").string();
    const std::string later = (folder.Path() / "later.txt").string();
    std::ofstream(file) << "a.example News\n";

    CListWatcher watcher;
    watcher.Watch({file, later, file});
    EXPECT_FALSE(watcher.Changed());

    // Same size, written within the same clock tick perhaps: the time is set apart.
    std::ofstream(file) << "b.example News\n";
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(2));
    EXPECT_TRUE(watcher.Changed());
    watcher.Watch({file, later});
    EXPECT_FALSE(watcher.Changed());

    // A longer file with its old time put back.
    const auto time = fs::last_write_time(file);
    std::ofstream(file) << "b.example News\nc.example Sports\n";
    fs::last_write_time(file, time);
    EXPECT_TRUE(watcher.Changed());
    watcher.Watch({file, later});

    std::ofstream(later) << "x\n";
    EXPECT_TRUE(watcher.Changed());
    watcher.Watch({file, later});
    fs::remove(file);
    EXPECT_TRUE(watcher.Changed());
}

}  // namespace
