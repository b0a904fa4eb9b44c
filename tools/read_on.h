// The faults after the one where the game stops reading. A compiler goes on after an error; the
// game does not, so the check reads on in a private copy of the file: the faulty statement is
// blanked, as if the modder had deleted it (its line ends kept, so that places stay), and the
// copy is parsed again from the start. What that parse reports past the blank is as true of the
// file as the first error is, so no fault is made up; a statement that declares something is
// not blanked, as what follows it may depend on it.
#pragma once

#include "tools/diagnostic.h"

#include <cstdint>
#include <string>
#include <vector>

// At most so many parses again, and diagnostics found, for one file.
const int kMostReadingsOn = 100;
const size_t kMostFoundReadingOn = 100;

// The diagnostics after the error at byte `at` of the top file `path`, whose bytes are `text`;
// its includes are found beside `path`.
std::vector<Diagnostic> ReadOnPastErrors(const std::string& path, std::string text, uint32_t at);
