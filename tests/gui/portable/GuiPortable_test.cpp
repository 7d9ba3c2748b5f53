// The settings program's portable rules: the command-line words, the button faces, the
// horizontal extent of a list.
#include <gtest/gtest.h>

#include "gui/portable/ButtonFace.h"
#include "gui/portable/CommandLine.h"
#include "gui/portable/ListExtent.h"

namespace {

TEST(CommandLine, WordsAndHowEachIsMatched) {
    const struct {
        const char* szLine;
        CommandWord expected;
    } kCases[] = {
        {"", CommandWord::kBlank},
        {"StartUp", CommandWord::kStartUp},
        {"startup", CommandWord::kStartUp},
        {"STARTUP", CommandWord::kStartUp},
        // A blank makes it another word: no log rotation.
        {" StartUp", CommandWord::kOther},
        {"StartUp ", CommandWord::kOther},
        {"Install", CommandWord::kInstall},
        {"install", CommandWord::kInstall},
        {"  INSTALL \t", CommandWord::kInstall},
        {"UnInstall", CommandWord::kUnInstall},
        {" uninstall ", CommandWord::kUnInstall},
        {"CheckInstance", CommandWord::kCheckInstance},
        {"checkinstance ", CommandWord::kCheckInstance},
        {" ", CommandWord::kOther},
        {"Install now", CommandWord::kOther},
        {"Installer", CommandWord::kOther},
        {"/StartUp", CommandWord::kOther},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ClassifyCommandLine(c.szLine), c.expected) << "[" << c.szLine << "]";
    }
}

TEST(ButtonFace, TheFirstStateThatAppliesWins) {
    EXPECT_EQ(SelectButtonFace(true, true, true, false), ButtonFace::kHoverPressed);
    EXPECT_EQ(SelectButtonFace(true, false, true, false), ButtonFace::kHover);
    EXPECT_EQ(SelectButtonFace(false, true, true, false), ButtonFace::kPressed);
    EXPECT_EQ(SelectButtonFace(false, false, true, false), ButtonFace::kUnselectedTab);
    EXPECT_EQ(SelectButtonFace(false, false, true, true), ButtonFace::kNormal);
    EXPECT_EQ(SelectButtonFace(false, false, false, false), ButtonFace::kNormal);
}

TEST(ButtonFace, BandsDarkenDownTheButton) {
    EXPECT_EQ(ButtonBandColor(ButtonFace::kNormal, 0), (CRgbColor{255, 255, 255}));
    EXPECT_EQ(ButtonBandColor(ButtonFace::kNormal, 63), (CRgbColor{234, 234, 243}));
    EXPECT_EQ(ButtonBandColor(ButtonFace::kHover, 63), (CRgbColor{240, 240, 243}));
    EXPECT_EQ(ButtonBandColor(ButtonFace::kHoverPressed, 63), (CRgbColor{255, 255, 234}));
    EXPECT_EQ(ButtonBandColor(ButtonFace::kUnselectedTab, 63), (CRgbColor{219, 221, 231}));
    EXPECT_EQ(ButtonBandColor(ButtonFace::kPressed, 10), (CRgbColor{252, 252, 253}));
    // Row r of a button h pixels high shows band r * 63 / h.
    EXPECT_EQ(ButtonBandOfRow(0, 21), 0);
    EXPECT_EQ(ButtonBandOfRow(20, 21), 60);
    EXPECT_EQ(ButtonBandOfRow(63, 64), 62);
    EXPECT_EQ(ButtonBandOfRow(5, 0), 0);
}

TEST(ListExtent, SixPixelsACharacterAndAMargin) {
    EXPECT_EQ(ListExtent(0), 10);
    EXPECT_EQ(ListExtent(8), 58);
    EXPECT_EQ(ListExtent(130), 790);
    EXPECT_GT(ListExtent(size_t{1} << 40), 0);
}

}  // namespace
