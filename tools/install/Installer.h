// Creates and removes an installation: the product's registry configuration and a settings
// file written through the library's own store (encoded, mirrored and digested).
#pragma once

#include <string>

struct CInstallOptions {
    std::string strFolder;        // installation folder, absolute
    std::string strCategoryFile;  // first line: category names separated by ","
    std::string strServerIp = "127.0.0.1";
    unsigned uServerPort = 7300;
    unsigned uTimeout = 20;  // the category lookup's wait in tenths of a second (strict filter)
    unsigned uLogLevel = 1;
    std::string strAdminPassword;  // empty: no "admin" account
    std::string strImageFolder;    // holds the block page's images; empty: none copied
    bool bForce = false;           // replace an existing installation
    bool bStrict = true;           // "StrictFilter": judge every request however it is written
    std::string strSecondServer;   // "TLVServer2", dotted address:port; empty: none
    // An existing installation is kept as it is (configuration, settings file, users): an
    // upgrade of the program files around it.
    bool bKeepSettings = false;
};

// What an uninstallation leaves.
struct CUninstallScope {
    // The configuration, the settings file, the Run entry and the lists, for an upgrade that
    // installs again around them.
    bool bKeepSettings = false;
    // The programs and pictures in the folder, which a package put there and removes itself.
    bool bKeepPackageFiles = false;
};

// The pictures the block page shows, from the installation folder.
inline constexpr const char* kBlockPageImages[] = {"Quillon-block-image.jpg",
                                                   "access-quillon-logo.jpg"};

// Each returns false with a message for the user in strError. Uninstall also takes away the
// settings program's Run entry, which the program writes at every exit, and the category
// service with its program and lists when there is one.
bool Install(const CInstallOptions& options, std::string& strError);
bool Uninstall(const std::string& strFolder, std::string& strError,
               const CUninstallScope& scope = CUninstallScope());
// Whether the folder holds an installation (its settings file, or the registry's digest).
bool InstallationExists(const std::string& strFolder);
// The category server's port, once the service has chosen one.
bool SetServerPort(unsigned uPort, std::string& strError);

// The settings file of an installation folder.
std::string SettingsFilePath(const std::string& strFolder);
