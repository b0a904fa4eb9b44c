// Where extract writes an archive entry: its stored name as a path under the target folder,
// judged as Windows would judge it, so that an archive extracts the same way everywhere.
#pragma once

#include <filesystem>
#include <string>

// The stored name (UTF-8, '/' or '\' between folders) as a path relative to the target folder;
// empty, with `*why` told, when it would leave the folder (absolute names, drive letters and
// other colons, ".."), open a Windows device (CON, AUX.txt, "COM1 .log", ...), or be changed by
// Windows (a trailing blank or dot).
std::filesystem::path SafeRelativePath(const std::string& name, std::string* why);
