// pcinstall as a package runs it: from the installation folder itself, with the administrator's
// password on its standard input, upgraded around the settings it keeps, and asked to check the
// password before an uninstallation.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedProductKey.h"
#include "tests/support/TempPath.h"
#include "win/UniqueHandle.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kRefused = 3;

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A folder as the package lays it out: the tool, its categories and the block page's pictures.
class PackagedInstall : public testing::Test {
protected:
    PackagedInstall() {
        fs::create_directories(m_folder.Path());
        const fs::path tools = fs::path(CChildProcess::Beside("pcinstall.exe")).parent_path();
        for (const char* szName : {"pcinstall.exe", "categories.txt", "Quillon-block-image.jpg",
                                   "access-quillon-logo.jpg"}) {
            fs::copy_file(tools / szName, m_folder.Path() / szName);
        }
    }

    // The folder's own pcinstall with ARGS, the text as its input; its exit code.
    DWORD Tool(const std::string& strArgs, const std::string& strInput = "") {
        const fs::path input = m_folder.Path() / "input.txt";
        std::ofstream(input, std::ios::binary) << strInput;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const CFileHandle hInput(::CreateFileA(input.string().c_str(), GENERIC_READ,
                                               FILE_SHARE_READ, &inherit, OPEN_EXISTING, 0,
                                               nullptr));
        std::string strCommand = "\"" + (m_folder.Path() / "pcinstall.exe").string() + "\" " +
                                 strArgs + " --folder \"" + m_folder.String() + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = hInput.Get();
        si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
        si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, TRUE, 0, nullptr,
                              nullptr, &si, &pi)) {
            return 0xFFFFFFFF;
        }
        const CProcessHandles handles = OwnProcessHandles(pi);
        DWORD dwExit = 0xFFFFFFFF;
        if (::WaitForSingleObject(handles.process.Get(), 120000) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(handles.process.Get(), &dwExit);
        }
        std::error_code ec;
        fs::remove(input, ec);
        return dwExit;
    }

    DWORD CheckPassword(const std::string& strPassword) {
        return Tool("check-password --password-stdin", strPassword + "\r\n");
    }

    bool Has(const char* szName) const {
        std::error_code ec;
        return fs::file_size(m_folder.Path() / szName, ec) > 0 && !ec;
    }

    const CScopedProductKey m_key{false};
    const CTempPath m_folder{"packaged"};
};

TEST_F(PackagedInstall, InstallsIntoItsOwnFolderAndProvesThePasswordFromItsInput) {
    EXPECT_NE(Tool("install --password-stdin", ""), 0u) << "no administrator's password";
    EXPECT_FALSE(Has("Content.ini"));

    ASSERT_EQ(Tool("install --password-stdin", "Parent-9|x\n"), 0u);
    EXPECT_TRUE(Has("Quillon-block-image.jpg"));
    EXPECT_TRUE(Has("access-quillon-logo.jpg"));
    EXPECT_EQ(CheckPassword("Parent-9|x"), 0u);
    EXPECT_EQ(CheckPassword("Parent-9"), kRefused);

    // Replacing the installation keeps the files the package brought.
    ASSERT_EQ(Tool("install --force --password-stdin", "Other-1\n"), 0u);
    EXPECT_TRUE(Has("Quillon-block-image.jpg"));
    EXPECT_TRUE(Has("pcinstall.exe"));
    EXPECT_EQ(CheckPassword("Other-1"), 0u);
}

TEST_F(PackagedInstall, UpgradeKeepsTheSettingsAndUninstallLeavesOnlyThePackagesFiles) {
    ASSERT_EQ(Tool("install --password-stdin", "Parent-9\n"), 0u);
    const std::string strSettings = ReadFile(m_folder.Path() / "Content.ini");
    std::ofstream(m_folder.Path() / "pcinstall.Log") << "a line\n";

    // The old version's removal, then the new one's installation without a password.
    ASSERT_EQ(Tool("uninstall --keep-settings"), 0u);
    ASSERT_EQ(Tool("install --keep-settings --password-stdin", ""), 0u);
    EXPECT_EQ(ReadFile(m_folder.Path() / "Content.ini"), strSettings);
    EXPECT_EQ(CheckPassword("Parent-9"), 0u);

    ASSERT_EQ(Tool("uninstall"), 0u);
    EXPECT_FALSE(Has("Content.ini"));
    EXPECT_FALSE(Has("pcinstall.Log"));
    EXPECT_TRUE(Has("Quillon-block-image.jpg"));
    EXPECT_TRUE(Has("pcinstall.exe"));
}

}  // namespace
