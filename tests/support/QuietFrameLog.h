// A product key for tests that load FilterLsp.dll: its log goes to a temporary folder and only
// level 1 records are kept. Create it before the first socket call, since the DLL reads both
// when it loads. Tests that use it carry the resource lock "product_registry".
#pragma once

#include <filesystem>

#include "tests/support/ScopedProductKey.h"
#include "tests/support/TempPath.h"

class CQuietFrameLog {
public:
    CQuietFrameLog() : m_folder("framelog") {
        std::filesystem::create_directories(m_folder.Path());
        m_key.SetDword("LogLevel", 1);
        m_key.SetString("Application", m_folder.String() + "\\");
    }

    std::filesystem::path Folder() const { return m_folder.Path(); }

private:
    CTempPath m_folder;
    CScopedProductKey m_key;
};
