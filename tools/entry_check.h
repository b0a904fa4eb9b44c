// Reading a file through the file layer to its end, checked as unzip -t checks: an archive
// entry must give its recorded size and CRC-32.
#pragma once

#include <cstdio>
#include <string>

// Copies the open file to `out` (nothing written when null); empty when all is well, else
// what went wrong, e.g. "bad CRC 1234abcd (should be 89ab0123)".
std::string CopyCheckedFile(FILE* file, FILE* out);
