// After a whole run of the settings program (the administrator's password set at installation,
// logins, a profile edited, passwords changed), no password can be read back from the settings
// file, its registry copy or any log, in clear or decoded.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Api/RegFile.h"
#include "Api/portable/Crypto.h"
#include "Api/portable/PasswordHash.h"
#include "tests/gui/support/AdminTest.h"
#include "win/RegKey.h"

namespace {

constexpr char kAdmin[] = "Tulip4Garden";
constexpr char kWrong[] = "Wrong5Guess";
constexpr char kKidsNew[] = "Knight6Move";
constexpr char kKidsOwn[] = "Bishop7Line";

// Every run of ten digits or more in strText (the encoded values it holds), decoded.
std::vector<std::string> DecodedRuns(const std::string& strText) {
    std::vector<std::string> decoded;
    for (size_t i = 0; i < strText.size();) {
        size_t end = i;
        while (end < strText.size() && strText[end] >= '0' && strText[end] <= '9') {
            ++end;
        }
        if (end - i >= CCrypto::kKeyLength && end - i <= CCrypto::kMaxEncodedLength) {
            CCrypto crypto;
            if (crypto.Decode(std::string_view(strText).substr(i, end - i))) {
                decoded.emplace_back(crypto.Output());
            }
        }
        i = end == i ? i + 1 : end;
    }
    return decoded;
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The registry copy, every section's values one after another.
std::string CopyText() {
    std::string strText;
    const CRegKey content = OpenRegKey(HKEY_LOCAL_MACHINE, kContentKeyPath, KEY_READ);
    for (DWORD i = 0;; ++i) {
        char szSection[256];
        DWORD cchSection = sizeof szSection;
        if (::RegEnumKeyExA(content.Get(), i, szSection, &cchSection, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS) {
            break;
        }
        const CRegKey section = OpenRegKey(content.Get(), szSection, KEY_READ);
        for (DWORD j = 0;; ++j) {
            char szName[256];
            DWORD cchName = sizeof szName;
            std::vector<char> data(RegFile::kMaxData + 1);
            DWORD cbData = RegFile::kMaxData;
            if (::RegEnumValueA(section.Get(), j, szName, &cchName, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(data.data()), &cbData) != ERROR_SUCCESS) {
                break;
            }
            strText += std::string(szName) + "=" + data.data() + "\n";
        }
    }
    return strText;
}

class SecretsTest : public AdminTest {
protected:
    // An installation without an administrator yet, so that the settings program's "Install"
    // sets him: the family's administrator "mum" goes (with her own proof).
    SecretsTest() : AdminTest("") {
        EXPECT_EQ(ValidatePassword("mum", "garden"), 1);
        EXPECT_EQ(DeleteUser("mum"), 1);
        EXPECT_EQ(EndProof(), 1);
    }

    // The texts that must not be found, and where: each place's text and what it decodes to.
    void ExpectNoPasswordIn(const std::string& strWhere, const std::string& strText) const {
        std::vector<std::string> texts = DecodedRuns(strText);
        texts.push_back(strText);
        for (const char* szPassword : {kAdmin, kWrong, kKidsNew, kKidsOwn, "chess"}) {
            for (const std::string& strSeen : texts) {
                EXPECT_EQ(strSeen.find(szPassword), std::string::npos)
                    << szPassword << " in " << strWhere;
            }
        }
    }
};

}  // namespace

TEST_F(SecretsTest, NoPasswordIsFoundInTheSettingsTheirCopyOrAnyLog) {
    {
        CGuiProgram install("Install");
        const HWND hDialog = install.Dialog("Parental Control");
        ASSERT_NE(hDialog, nullptr);
        ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(hDialog) != FALSE; }));
        gui::TypeText(hDialog, IDC_ADMINPW_PASSWORD, kAdmin);
        gui::TypeText(hDialog, IDC_ADMINPW_CONFIRM, kAdmin);
        gui::Click(hDialog, IDOK);
        ASSERT_TRUE(install.HasEnded());
    }
    ASSERT_EQ(ValidatePassword("admin", kAdmin), 1);

    // The administrator edits the Default profile and sets the child's password.
    OpenSettingsAs("admin", kAdmin);
    const HWND hAdmin = Screen("Administration");
    ASSERT_NE(hAdmin, nullptr);
    gui::Click(hAdmin, IDC_ADMIN_MODIFY_DEFAULT);
    HWND hEditor = Screen("Modifying Default Profile");
    ASSERT_NE(hEditor, nullptr);
    const HWND hUrlPage = ::GetParent(gui::DescendantItem(hEditor, IDC_URL_ALLOWED_LIST));
    ::PostMessageA(gui::DescendantItem(hEditor, IDC_TAB_ADVANCED), BM_CLICK, 0, 0);
    ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(hUrlPage) != FALSE; }));
    AddEntry(hUrlPage, IDC_URL_BLOCKED_EDIT, IDC_URL_BLOCKED_ADD, "casino");
    gui::Click(hEditor, IDC_EDITOR_APPLY);
    EXPECT_EQ(TakeMessage(hEditor), "New Settings Saved Successfully");
    Escape(hEditor);
    ASSERT_TRUE(Gone(hEditor));

    hEditor = EditProfileOf("kid");
    ASSERT_NE(hEditor, nullptr);
    ::PostMessageA(gui::DescendantItem(hEditor, IDC_TAB_USER), BM_CLICK, 0, 0);
    const HWND hUserPage = ::GetParent(gui::DescendantItem(hEditor, IDC_USERPAGE_CHANGE_PASSWORD));
    ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(hUserPage) != FALSE; }));
    gui::TypeText(hUserPage, IDC_USERPAGE_NEW_PASSWORD, kKidsNew);
    gui::TypeText(hUserPage, IDC_USERPAGE_CONFIRM, kKidsNew);
    gui::Click(hUserPage, IDC_USERPAGE_CHANGE_PASSWORD);
    EXPECT_EQ(TakeMessage(hEditor), "The password has been changed.");
    CloseBox(hEditor);
    ASSERT_TRUE(Gone(hEditor));
    gui::PostCommand(m_hLogin, ID_TRAY_LOGOUT);
    ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) != FALSE; }));

    // The child mistypes, logs in, and changes his own password.
    ::SendMessageA(::GetDlgItem(m_hLogin, IDC_LOGIN_USER), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>("kid"));
    gui::TypeText(m_hLogin, IDC_LOGIN_PASSWORD, kWrong);
    gui::Click(m_hLogin, IDOK);
    EXPECT_EQ(m_program->TakeMessage(m_hLogin), "Invalid Password. Please enter valid password");
    gui::TypeText(m_hLogin, IDC_LOGIN_PASSWORD, kKidsNew);
    gui::Click(m_hLogin, IDOK);
    ASSERT_TRUE(gui::WaitUntil([&] { return ::IsWindowVisible(m_hLogin) == FALSE; }));
    gui::PostCommand(m_hLogin, ID_TRAY_SETTINGS);
    const HWND hPersonal = Screen("Personal Settings");
    ASSERT_NE(hPersonal, nullptr);
    gui::TypeText(hPersonal, IDC_PERSONAL_OLD_PASSWORD, kKidsNew);
    gui::TypeText(hPersonal, IDC_PERSONAL_NEW_PASSWORD, kKidsOwn);
    gui::TypeText(hPersonal, IDC_PERSONAL_CONFIRM, kKidsOwn);
    gui::Click(hPersonal, IDC_PERSONAL_OK);
    EXPECT_EQ(TakeMessage(hPersonal), "The password has been changed.");
    gui::PostCommand(m_hLogin, ID_TRAY_EXIT);
    ASSERT_TRUE(m_program->HasEnded());
    EXPECT_EQ(ValidatePassword("kid", kKidsOwn), 1);

    // The passwords are there, as hashes.
    const std::string strSettings = FileText(m_install.SettingsFile());
    int nHashes = 0;
    for (const std::string& strValue : DecodedRuns(strSettings)) {
        nHashes += ParsePasswordHash(strValue) ? 1 : 0;
    }
    EXPECT_EQ(nHashes, 2);  // kid's, and admin's in the place the deleted mum's left
    ExpectNoPasswordIn("the settings file", strSettings);
    ExpectNoPasswordIn("the registry copy", CopyText());
    int nLogs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_install.Folder())) {
        const std::string strName = entry.path().filename().string();
        if (strName.size() > 4 && (strName.substr(strName.size() - 4) == ".Log" ||
                                   strName.substr(strName.size() - 4) == ".Bak")) {
            ++nLogs;
            ExpectNoPasswordIn(strName, FileText(entry.path()));
        }
    }
    EXPECT_GE(nLogs, 2);  // the library's and the settings program's, at least
}
