#include "gui/app/StartupEntry.h"

#include <windows.h>

#include <string>

#include "win/ProductRegistry.h"
#include "win/RegKey.h"

namespace {

constexpr char kRunKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValueName[] = "QPC";

}  // namespace

void WriteStartupEntry() {
    std::string strFolder;
    if (const CRegKey product = OpenProductKey()) {
        strFolder = ReadRegString(product.Get(), "Application").value_or(std::string());
    }
    const std::string strEntry = "\"" + strFolder + "Gui" + ".exe" + "\" StartUp";
    const CRegKey run = OpenRegKey(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_ALL_ACCESS);
    if (!run) {
        return;
    }
    // With its terminating NUL, as REG_SZ data should be stored.
    ::RegSetValueExA(run.Get(), kRunValueName, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(strEntry.c_str()),
                     static_cast<DWORD>(strEntry.size() + 1));
    ::RegFlushKey(run.Get());
}
