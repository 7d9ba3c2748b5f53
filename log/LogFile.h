// Plain-text diagnostics log shared by every deliverable. One record per Write; the file is
// opened and closed each time, so it may be moved aside between any two records. A named
// mutex serialises every record of every writer in every process; each process holds one
// handle to it, shared by its writers.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

class CLogFile {
public:
    static constexpr int kPathSize = 264;
    static constexpr const char* kMutexName = "{6B1E2C47-93D0-4F5A-8C21-7E4A9B3D5F10}";

    // Reads nothing yet: writers are made under the loader lock (static writers, and those
    // the library makes at attach), so the registry is read at first use, not here.
    explicit CLogFile(int bTimeStamp);
    // A writer whose file is named szName at its first record (see SetFileName).
    CLogFile(int bTimeStamp, const char* szName);
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;
    virtual ~CLogFile() = default;

    // Path = installation folder + szName, cut at its first '.', + ".Log". Always 1.
    int SetFileName(const char* szName);

    // Appends szText and a line end when iLevel is at or below the threshold.
    void Write(const char* szText, signed char iLevel);
    void Write(const std::string& strText, signed char iLevel);

    // Whether a record of this level would be written: callers skip formatting otherwise.
    bool Enabled(signed char iLevel) const { return iLevel <= Level(); }

    const char* GetFileName();
    // The machine-wide "LogLevel" threshold, read once: 4 when the product key cannot be
    // opened, 0 when the key has no such value.
    int GetLevel() const { return Level(); }

private:
    static constexpr int kLevelUnread = -1;

    int Level() const;
    void NameAtFirstUse();
    // The shared mutex, opened by the first record that passes the threshold: processes that
    // never write (the usual case at low thresholds) cost no kernel object.
    static HANDLE Mutex();

    int m_bTimeStamp;
    char m_szPath[kPathSize] = {};
    // Two threads may both read the registry the first time; they read the same value.
    mutable std::atomic<int> m_iLevel{kLevelUnread};
    std::string m_strPendingName;
    std::once_flag m_named;
};
