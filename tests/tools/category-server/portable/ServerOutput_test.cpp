// The lookup lines the main job and the tests read.
#include "tools/category-server/portable/ServerOutput.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/TempPath.h"

namespace {

TEST(ServerOutputTest, LookupLinesAreWholeAndCannotBeForged) {
    const CTempPath file("lines");
    CServerOutput output(file.String());
    {
        CLookupLines lines(output);
        lines.Add("news.example/a", "News");
        lines.Add("unknown.example/", "");
        lines.Add(std::string_view("evil.example/\nfake.example -> News\r\x7f\0", 37), "");
        lines.Flush();
        output.Line("reloaded");
        lines.Add("late.example", "Games");
    }
    std::ifstream in(file.Path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "news.example/a -> News\n"
              "unknown.example/ -> (unknown)\n"
              "evil.example/?fake.example -> News??? -> (unknown)\n"
              "reloaded\n"
              "late.example -> Games\n");
}

}  // namespace
