// What ferrox-script's check says about a document whose text the editor holds, as data the
// server turns into the protocol's diagnostics: the one place that knows how the check is run.
#pragma once

#include <string>
#include <vector>

struct CheckPlace {
    std::string path; // as the parse named the file; empty: the checked document
    long line = -1;   // from 0; -1: the file as a whole
    long column = 0;  // bytes from the line's start
    // Just after the culprit, on the same terms; -1: not known, the word at the start is meant.
    long endLine = -1, endColumn = 0;
};

struct CheckNote {
    CheckPlace place;
    std::string message;
    bool namesPlace = false; // the message says where it is
};

struct CheckFinding {
    enum Severity { kError = 1, kWarning = 2 };
    Severity severity = kError;
    CheckPlace place;
    std::string code; // check's stable name of the kind of fault
    std::string message;
    std::vector<CheckNote> notes;
};

// Checks `bytes`, the text of the file at `path`, exactly as `ferrox-script check` checks the
// file; includes are read as the parse reads them (an installed ScriptTextLookup lends those
// that the editor holds). `filesRead`: the paths of the files the parse started, as it named
// them, the document's first.
std::vector<CheckFinding> CheckDocument(const std::string& path, const std::string& bytes,
                                        std::vector<std::string>* filesRead);
// Whether the parse accepts `bytes` as the file at `path`, as ferrox-script fmt asks before it
// lays a file out: no error but that of a file without entries (an include of declarations).
bool DocumentParses(const std::string& path, const std::string& bytes);
