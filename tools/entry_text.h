// How the ferrox-vfs verbs show names and archive entries: names safe for a terminal and
// measured in columns, methods and dates in words.
#pragma once

#include "vfs/listing.h"

#include <string>

// The columns a UTF-8 text takes on a terminal: two for wide (East Asian) characters, none for
// continuation bytes, one for any other byte.
size_t DisplayWidth(const std::string& text);
// "stored", "deflated", "bzip2", ..., or "method N".
std::string MethodName(uint16_t method);
// "YYYY-MM-DD HH:MM" from an MS-DOS date and time.
std::string DosDateTime(uint16_t date, uint16_t time);
// Why the layer does not serve a listed entry ("encrypted", "bzip2", ...); empty when
// it does.
std::string WhyNotServed(const ListedEntry& listed);
