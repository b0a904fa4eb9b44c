// A compiler-style diagnostic of the ferrox-script tool, as data: what is wrong, where, why
// (its notes) and through which includes. Text and JSON are made from it elsewhere, so that an
// editor's server and a web page get the same facts as the command line.
#pragma once

#include "script/language.h"

#include <string>
#include <utility>
#include <vector>

struct Diagnostic {
    enum Severity { kError, kWarning, kNote };
    Severity severity = kError;
    // Stable across versions, one per kind of fault ("unknown-keyword", "missing-include"), so
    // that scripts and editors need not read the message; empty for a note.
    std::string code;
    std::string file; // empty: about the run rather than a file
    // The culprit's first byte, and just after its last; line 0: the file as a whole.
    TextPlace start{0, 0};
    TextPlace end{0, 0};
    std::string message;
    bool showLine = false;         // the source line and a caret follow the message
    std::string lineText;          // start's line, without its line end
    std::vector<Diagnostic> notes; // what explains this one, each at its own place
    // The include statements that led to the file, innermost first: path and line.
    std::vector<std::pair<std::string, int>> includedFrom;
};

inline const char* SeverityName(Diagnostic::Severity severity) {
    return severity == Diagnostic::kError     ? "error"
           : severity == Diagnostic::kWarning ? "warning"
                                              : "note";
}
