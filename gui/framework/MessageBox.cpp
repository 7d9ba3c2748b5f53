#include "gui/framework/MessageBox.h"

#include <vector>

#include "gui/framework/WinApp.h"

std::string LoadResourceString(UINT nId) {
    std::vector<char> buffer(256);
    for (;;) {
        const int nCopied = ::LoadStringA(::GetModuleHandleA(nullptr), nId, buffer.data(),
                                          static_cast<int>(buffer.size()));
        if (nCopied <= 0) {
            return {};
        }
        // A text that filled the buffer may have been cut: try again with more room.
        if (static_cast<size_t>(nCopied) < buffer.size() - 1) {
            return std::string(buffer.data(), static_cast<size_t>(nCopied));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string FormatResourceString(UINT nId, const std::string& strArgument) {
    std::string strText = LoadResourceString(nId);
    const size_t nAt = strText.find("%s");
    if (nAt != std::string::npos) {
        strText.replace(nAt, 2, strArgument);
    }
    return strText;
}

int ShowMessageBox(HWND hOwner, const std::string& strText, UINT nType, const char* szCaption) {
    const char* szTitle = szCaption;
    if (szTitle == nullptr) {
        const CWinApp* pApp = CWinApp::Current();
        szTitle = pApp != nullptr ? pApp->AppName() : "";
    }
    return ::MessageBoxA(hOwner, strText.c_str(), szTitle, nType);
}
