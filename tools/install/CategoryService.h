// The category server as the Windows service "Quillon Categories" of an installation: the
// program and the lists in the installation folder, run as LocalService, started
// automatically with Windows.
#pragma once

#include <string>

struct CCategoryServiceSetup {
    std::string strFolder;      // installation folder, with its trailing backslash
    std::string strToolFolder;  // category-server.exe and the default lists are there
    std::string strListen;      // the address the service listens on, dotted IPv4
    unsigned uPort = 7300;      // 0: a free port, chosen by the service
};

// Copies the program and the default lists (category-db.txt, list-map.txt when there is
// one) into the folder, lets LocalService read the lists and write its log there, registers
// the service (replacing one of that name), starts it and waits until it answers lookups.
// With port 0 the service takes a free port and keeps it; uPort then holds it.
bool InstallCategoryService(CCategoryServiceSetup& setup, std::string& strError);

// Stops and removes the service when there is one (true also when there is none).
bool RemoveCategoryService(std::string& strError);

enum class ReloadOutcome { kReloading, kNotRunning, kFailed };
// Asks the running service to load its lists again.
ReloadOutcome ReloadCategoryService(std::string& strError);

// Where an installation keeps its lists, and the service's log: with trailing backslash.
std::string CategoryFolder(const std::string& strFolder);
std::string CategoryServerLog(const std::string& strFolder);
