// Whether two paths name one file or folder (by its volume and file index), so that a tool
// never copies a file onto itself or deletes what it was about to keep. std::filesystem's
// equivalent() cannot tell here: the C runtime's stat has no file index on Windows.
#pragma once

#include <windows.h>

#include <string>

#include "win/UniqueHandle.h"

inline bool SameFile(const std::string& strA, const std::string& strB) {
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    const std::string* paths[2] = {&strA, &strB};
    for (int i = 0; i < 2; ++i) {
        // Backup semantics lets a folder be opened too; no access is asked for.
        const CFileHandle file(::CreateFileA(
            paths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!file || !::GetFileInformationByHandle(file.Get(), &info[i])) {
            return false;
        }
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
           info[0].nFileIndexLow == info[1].nFileIndexLow;
}
