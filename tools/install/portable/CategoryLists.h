// Adding a downloaded list to an installation: copied into its folder of lists under a name
// that says what it is (the category server recognises lists by name), after which the
// service loads the lists again.
#pragma once

#include <string>

struct CCategoryListToAdd {
    std::string strSource;  // a folder (a category tree), a .tar.gz, or a file; may be empty
    // For a file of names: "hosts", "adblock" or "domains", with its category. Empty: a
    // folder, a .tar.gz, or a "host[/path] Category" file.
    std::string strKind;
    std::string strCategory;
    std::string strMap;  // replaces the installation's map of list categories; may be empty
};

// Copies into strCategoryFolder (with its trailing backslash). On success strAdded names
// what was copied there, one path a line.
bool AddCategoryList(const CCategoryListToAdd& list, const std::string& strCategoryFolder,
                     std::string& strAdded, std::string& strError);
