// The command line's words as UTF-8, on every system.
#pragma once

#include <string>
#include <vector>

// On Windows from the system's Unicode copy of the command line, since `argv` holds the words
// in the ANSI code page, which cannot spell most names; elsewhere `argv` as it is.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
