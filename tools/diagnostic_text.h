// Diagnostics for people, as gcc writes them: FILE:LINE:COL: error: MESSAGE, the line, a caret,
// then the include chain and the notes.
#pragma once

#include "tools/diagnostic.h"

#include <string>

// Names and lines are written through Printable. `colour`: ANSI colours, for a terminal.
// `notShown`: diagnostics left out past the cap.
std::string DiagnosticsText(const std::vector<Diagnostic>& diagnostics, long notShown, bool colour);
