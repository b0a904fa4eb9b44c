// A compiler-style diagnostic of the ferrox-script tool, and the two ways of writing a list of
// them: text for people (FILE:LINE:COL: error: MESSAGE, the line, a caret) and one JSON
// document for editors and CI.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

struct Diagnostic {
    enum Severity { kError, kWarning, kNote };
    Severity severity = kError;
    std::string file;         // empty: about the run rather than a file
    int line = 0, column = 0; // 0: the file as a whole
    std::string message;
    bool showLine = false; // the source line and a caret follow the message
    std::string lineText;  // that line, without its line end
    // The include statements that led to the file, innermost first: path and line.
    std::vector<std::pair<std::string, int>> includedFrom;
};

// Names and lines are written through Printable. `colour`: ANSI colours, for a terminal.
// `notShown`: diagnostics left out past the cap.
void WriteDiagnosticsText(FILE* out, const std::vector<Diagnostic>& diagnostics, long notShown,
                          bool colour);
void WriteDiagnosticsJson(FILE* out, const std::vector<Diagnostic>& diagnostics, long notShown);
