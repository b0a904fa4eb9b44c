// ferrox-script fmt: lays out configuration files in the one layout of script_format.h, in
// place, or tells which would change (--check) and how (--diff). A file is laid out only when
// the launcher's parse accepts it; one that it does not is left as it is, with the diagnostics
// that check gives.
#pragma once

#include "tools/script_check.h"

#include <functional>
#include <string>
#include <vector>

struct FormatRequest {
    std::vector<std::string> files; // "-" is standard input, laid out to standard output
    std::string stdinName;          // what standard input is called, and where its includes lie
    bool check = false;             // name the files that would change; write nothing
    bool diff = false;              // show how they would change; write nothing
    bool strict = false;            // a warning leaves a file alone, as an error does
};

// Lays out the files in turn; the exit status: 0 when all went well (with --check, when none
// would change), else 1. `show` writes the diagnostics of a parse that leaves a file alone.
int FormatFiles(const FormatRequest& request, const std::function<void(const CheckResult&)>& show);
