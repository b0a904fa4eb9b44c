// Names as the system's narrow API takes them (the ANSI code page on Windows, bytes on POSIX),
// turned into paths for the file operations that take Unicode: the parse opens files by such
// names, and the tools must reach the same files. And the other way: a tool that reads its
// command line as UTF-8 hands the file layer, which opens files by narrow names, the name that
// reaches the same file.
#pragma once

#include <filesystem>
#include <string>

std::filesystem::path PathOfSystemName(const std::string& name);

// The narrow name by which the system opens the file named `utf8`: on Windows in the ANSI code
// page, or the file's short name where that page cannot spell it; false where neither exists.
bool SystemNameOf(const std::string& utf8, std::string* name);
