// Text for standard error. A Windows console shows a program's bytes in its own code page, so
// source lines in UTF-8 or Windows-1252 and names in either came out garbled: to a console the
// text goes as UTF-16, each byte read as tools/text_encoding.h says. Elsewhere the bytes go as
// they are, for a file, a pipe or a terminal to read as it reads the source.
#pragma once

#include <string>

void WriteStandardError(const std::string& text);
