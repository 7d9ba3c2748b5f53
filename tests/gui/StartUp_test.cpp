// How the settings program starts: its command-line words, one copy at a time, the Run
// entry it leaves at every exit, and its two log names.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "Api/RegFile.h"
#include "gui/res/resource.h"
#include "tests/gui/support/GuiTest.h"

namespace {

class StartUpTest : public GuiTest {
protected:
    std::string Log(const char* szName) const {
        std::ifstream in(m_install.Folder() + szName, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    // A log of an earlier session, which a start at logon moves aside.
    void MakeOldLog() const { std::ofstream(m_install.Folder() + "Old.Log") << "earlier\n"; }
    bool Exists(const char* szName) const {
        return std::filesystem::exists(m_install.Folder() + szName);
    }
    static void ExitThroughTheTray(CGuiProgram& program, HWND hLogin) {
        gui::PostCommand(hLogin, ID_TRAY_EXIT);
        ASSERT_TRUE(program.HasEnded());
    }
    std::string ExpectedRunEntry() const { return "\"" + m_install.Folder() + "Gui.exe\" StartUp"; }
};

TEST_F(StartUpTest, ABlankCommandLineShowsTheLoginWindowAndEveryExitWritesTheRunEntry) {
    CGuiProgram program;
    const HWND hLogin = program.Dialog("Login");
    ASSERT_NE(hLogin, nullptr) << program.State();
    EXPECT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(hLogin) != FALSE; }));
    gui::Screenshot(hLogin, "login");
    EXPECT_FALSE(RunEntry().has_value());

    ExitThroughTheTray(program, hLogin);
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(RunEntry(), ExpectedRunEntry());
    const std::string strStartLog = Log("GuiCallLog.Log");
    EXPECT_NE(strStartLog.find("CGuiApp::InitInstance :: Command line is \r\n"), std::string::npos);
    EXPECT_NE(strStartLog.find("Blank CommandLine"), std::string::npos);
}

TEST_F(StartUpTest, StartUpInAnyCaseRotatesTheLogsFirst) {
    MakeOldLog();
    CGuiProgram program("startup");
    const HWND hLogin = program.Dialog("Login");
    ASSERT_NE(hLogin, nullptr) << program.State();
    EXPECT_FALSE(Exists("Old.Log"));
    EXPECT_TRUE(Exists("Old.Bak"));
    // The first record went before the rotation, the rest after it.
    EXPECT_NE(Log("GuiCallLog.Bak").find("Command line is startup"), std::string::npos);
    EXPECT_NE(Log("GuiCallLog.Log").find("InitInstance :: After RanameFiles"), std::string::npos);
}

TEST_F(StartUpTest, StartUpWithABlankIsNotTheLogonStart) {
    MakeOldLog();
    CGuiProgram program("StartUp ");
    ASSERT_NE(program.Dialog("Login"), nullptr)
        << "the program " << (program.HasEnded(0) ? "ended" : "runs") << ", exit code "
        << program.ExitCode() << "; log:\n"
        << Log("GuiCallLog.Log");
    EXPECT_TRUE(Exists("Old.Log"));
    EXPECT_EQ(Log("GuiCallLog.Log").find("StartUp CommandLine"), std::string::npos);
}

TEST_F(StartUpTest, UnreadableSettingsAtStartSayWhyAndEndTheProgram) {
    ASSERT_EQ(::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kContentKeyPath, kDigestValueName),
              ERROR_SUCCESS);
    CGuiProgram program;
    const HWND hLogin = program.Dialog("Login");
    ASSERT_NE(hLogin, nullptr) << program.State();
    const HWND hBox = program.MessageBoxOf(hLogin);
    ASSERT_NE(hBox, nullptr) << program.State();
    EXPECT_EQ(gui::MessageBoxText(hBox),
              "Quillon Parental Control configuration is tempered.\n Please reinstall Parental "
              "Control");
    gui::Click(hBox, IDOK);
    ASSERT_TRUE(program.HasEnded());
    EXPECT_EQ(program.ExitCode(), 0u);
}

TEST_F(StartUpTest, InstallInLowerCaseWithBlanksShowsThePasswordDialog) {
    CGuiProgram program("  install ");
    const HWND hDialog = program.ShownDialog("Parental Control");
    ASSERT_NE(hDialog, nullptr) << program.State();
    EXPECT_TRUE(gui::IsItemVisible(hDialog, IDC_ADMINPW_CONFIRM));
    EXPECT_FALSE(gui::IsItemVisible(hDialog, IDCANCEL));
}

TEST_F(StartUpTest, AnUnknownWordShowsTheLoginWindow) {
    CGuiProgram program("/help");
    EXPECT_NE(program.Dialog("Login"), nullptr) << program.State();
}

TEST_F(StartUpTest, ASecondStartBringsTheFirstCopyForwardAndEnds) {
    CGuiProgram first;
    const HWND hLogin = first.Dialog("Login");
    ASSERT_NE(hLogin, nullptr) << first.State();
    ::ShowWindow(hLogin, SW_HIDE);
    ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(hLogin) == FALSE; }));

    CGuiProgram second;
    ASSERT_TRUE(second.HasEnded());
    EXPECT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(hLogin) != FALSE; }));
    EXPECT_EQ(RunEntry(), ExpectedRunEntry());
    EXPECT_FALSE(first.HasEnded(0));
}

TEST_F(StartUpTest, CheckInstanceAloneShowsNothingAndEnds) {
    CGuiProgram program("CheckInstance");
    ASSERT_TRUE(program.HasEnded());
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_TRUE(gui::WindowsOf(program.Pid(), "#32770").empty());
    // The mutex went with it: a copy started now is the first.
    CGuiProgram next;
    EXPECT_NE(next.Dialog("Login"), nullptr) << next.State();
}

TEST_F(StartUpTest, CheckInstanceWithACopyRunningAsksToCloseIt) {
    CGuiProgram first;
    ASSERT_NE(first.Dialog("Login"), nullptr) << first.State();
    CGuiProgram check(" CheckInstance");
    const HWND hBox = check.MessageBoxOf(nullptr);
    ASSERT_NE(hBox, nullptr) << check.State();
    EXPECT_EQ(gui::MessageBoxText(hBox), "Close Parental Control Application.");
    gui::AnswerMessageBox(hBox, IDOK);
    EXPECT_TRUE(check.HasEnded());
    EXPECT_FALSE(first.HasEnded(0));
}

}  // namespace
