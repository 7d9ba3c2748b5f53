// The installation tool's interactive step: the settings program asks for the administrator's
// password, and what the person answers decides whether the tool goes on.
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/gui/support/GuiTest.h"
#include "tests/gui/support/InstallerTest.h"

namespace {

TEST_F(InstallerTest, TheAdministratorSetsThePasswordAndTheInstallationStays) {
    CChildProcess tool = Tool(Install());
    Answer("topsecret", true);
    ASSERT_EQ(tool.Wait(), 0u);
    EXPECT_TRUE(Installed());
    for (const char* szImage : kBlockPageImages) {
        EXPECT_TRUE(std::filesystem::exists(Folder() + szImage)) << szImage;
    }
    EXPECT_EQ(Validates("topsecret"), 1);
}

TEST_F(InstallerTest, CancellingTheInstallationLeavesNothingBehind) {
    CChildProcess tool = Tool(Install());
    Cancel();
    EXPECT_EQ(tool.Wait(), kCancelled);
    EXPECT_FALSE(Installed());
    EXPECT_FALSE(OpenProductKey());
}

TEST_F(InstallerTest, RemovalNeedsTheAdministratorsPassword) {
    CChildProcess install = Tool(Install());
    Answer("topsecret", true);
    ASSERT_EQ(install.Wait(), 0u);

    CChildProcess refused = Tool("uninstall --interactive");
    Cancel();
    EXPECT_EQ(refused.Wait(), kCancelled);
    EXPECT_TRUE(Installed());

    CChildProcess removal = Tool("uninstall --interactive");
    Answer("topsecret", false);
    ASSERT_EQ(removal.Wait(), 0u);
    EXPECT_FALSE(Installed());
    EXPECT_FALSE(std::filesystem::exists(Folder() + kBlockPageImages[0]));
    // The program wrote its Run entry as it ended; the tool took it away after.
    EXPECT_FALSE(RunEntry().has_value());
}

}  // namespace
