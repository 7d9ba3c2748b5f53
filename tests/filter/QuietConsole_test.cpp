// A console program's own output stays its own: with the strict switch on, the filter's
// category lookups inside it write nothing to its standard output (their lines go to the
// lookup's log), so that what a pipe gets from the program is byte for byte what it wrote.
// With the switch off, the lookups' lines go there as they always have.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/filter/StrictFilteringTest.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PlainWebServer.h"

namespace {

class QuietConsole : public StrictFilteringTest, public ::testing::WithParamInterface<Filtering> {
protected:
    QuietConsole() : StrictFilteringTest(GetParam()) {}
};

TEST_P(QuietConsole, APipedProgramGetsOnlyWhatItWrote) {
    CLoopbackPeer web = PlainWebServer(1);
    const std::string output = m_install.Folder() + "child.txt";
    CPipedChild child(CChildProcess::Beside("filter_child.exe"),
                      "\"" + output + "\" say:before browse:" + std::to_string(web.Port()) +
                          ":/news/today say:after");
    const std::string piped = child.Output();
    // The page was judged by its category: the lookup ran inside the program.
    EXPECT_EQ(ReadLines(output), std::vector<std::string>{"passed"});
    ASSERT_FALSE(m_categories.Requests().empty());
    if (GetParam() == Filtering::kStrict) {
        EXPECT_EQ(piped, "before\r\nafter\r\n");
    } else {
        EXPECT_NE(piped.find("Message Successfully sent to client"), std::string::npos) << piped;
    }
}

INSTANTIATE_TEST_SUITE_P(Switch, QuietConsole,
                         ::testing::Values(Filtering::kStrict, Filtering::kCompat),
                         [](const ::testing::TestParamInfo<Filtering>& param) {
                             return param.param == Filtering::kStrict ? "On" : "Off";
                         });

}  // namespace
