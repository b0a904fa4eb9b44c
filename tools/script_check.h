// The check of one configuration file, as data: it parses the file exactly as the launcher
// parses game.ini (its includes found beside it) and returns what is wrong with it and what
// the game read. The command line, an editor's server and a web page all check through it.
#pragma once

#include "script/entry.h"
#include "tools/diagnostic.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct CheckOptions {
    bool strict = false; // warnings are errors
};

struct CheckResult {
    std::vector<Diagnostic> diagnostics;
    long notShown = 0;                    // errors and warnings left out past the cap
    std::unique_ptr<ScriptEntry> entries; // what the game read; null: nothing came back
    std::vector<std::string> filesRead;   // the top file and the includes, as the parse named them
    // Each keyword, lower-cased as the parser keeps it, with the spelling of its first
    // declaration: how diagnostics and the dump name it.
    std::map<std::string, std::string> spellings;
    std::string logText; // the launcher's log text of the parse
    bool failed = false; // nothing came back, or an error (under strict a warning) was found
};

// Checks the file `path`, or `text` as if it were that file's bytes (standard input, an
// editor's unsaved text): then its includes are still found beside `path`. One check at a
// time: the parse hook and the log's echo are the process's. The launcher's log goes nowhere
// but into the result.
CheckResult CheckScript(const std::string& path, const std::optional<std::string>& text,
                        const CheckOptions& options);
