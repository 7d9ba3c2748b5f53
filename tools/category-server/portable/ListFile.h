// Reading a list file whole.
#pragma once

#include <filesystem>
#include <string>

// Replaces out with the file's bytes. False, with error saying why, when it cannot be read.
bool ReadListFile(const std::filesystem::path& path, std::string& out, std::string& error);
