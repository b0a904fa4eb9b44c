// Where a byte of a file being parsed lies, as a diagnostic shows it: its line, its column and
// the text of its line.
#pragma once

#include "script/source.h"

#include <string>

struct SourcePlace {
    int line;
    int column;           // the bytes since the line's start, plus one
    int endColumn;        // just after the word, number or quoted string that starts there
    std::string lineText; // without its line end
};

// The place of byte `at` (at most the size) of a source in the middle of its parse. Lines are
// counted from the scanner's own line at its read position, so that a place near where the
// parse is costs little however long the file. A `knownLine` (not 0) is taken as it is.
SourcePlace PlaceInSource(const ScriptSource& source, uint32_t at, int32_t knownLine = 0);

// The `name` (as the parser keeps it, lower-cased) as the text at `at` spells it.
std::string WrittenAt(const ScriptSource& source, uint32_t at, const std::string& name);
