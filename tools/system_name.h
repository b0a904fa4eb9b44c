// Names as the system's narrow API takes them (the ANSI code page on Windows, bytes on POSIX),
// turned into paths for the file operations that take Unicode: the parse opens files by such
// names, and the tools must reach the same files.
#pragma once

#include <filesystem>
#include <string>

std::filesystem::path PathOfSystemName(const std::string& name);
