#include "script/reports.h"

namespace {

// Every report but the semicolon ends the parse where it is made, except in an include's name,
// where the literal readers' reports skip the include and the parse goes on.
const ScriptReportRow kRows[kReportCodes] = {
    {"word-too-long", "word limit exceeded", false, false},
    {"unknown-const", "unknown const name '%s'", false, false},
    {"const-kind", "'%s' const type != '%s'", false, false},
    {"expected-number", "expected number", false, false},
    {"int-termination", "invalid termination of integer", false, false},
    {"float-termination", "invalid termination of float", false, false},
    {"unterminated-string", "expected ending \"", false, false},
    {"file-name-too-long", "file name longer than 255 characters: '%s...'", false, false},
    {"call-name", "error in call", false, false},
    {"unknown-keyword", "unknown keyword %s", false, false},
    {"call-opening", "opening bracket expected", false, false},
    {"call-comma", "comma expected", false, false},
    {"call-closing", "closing bracket expected", false, false},
    {"semicolon", "its not c!", true, false},
    {"stray-closing-brace", "unexpected closing curly bracket", false, false},
    {"blocks-too-deep", "more than 256 blocks open", false, false},
    {"const-name", "error in const def", false, false},
    {"const-opening", "left bracked expected in const def", false, false},
    {"const-syntax", "unexpected character in typedef", false, false},
    {"typedef-name", "error in typedef", false, false},
    {"typedef-opening", "left bracked expected in typedef", false, false},
    {"typedef-syntax", "unexpected characted in typedef", false, false},
    {"include-opening", "left bracked expected in include", false, false},
    {"include-closing", "right bracked expected in include", false, false},
    {"include-path-too-long", "include path longer than 255 characters", false, false},
    {"includes-too-deep", "includes nested more than 32 deep", false, false},
    {"too-many-includes", "more than 4096 include files in one parse", false, false},
    {"include-cycle", "include cycle: %s%s", false, true},
    {"script-bytes", "script files longer than 64 MiB in all", false, false},
    {"tree-bytes", "entries of more than 64 MiB in one parse", false, false},
    {"out-of-memory", "out of memory", false, false},
};

} // namespace

const ScriptReportRow& ScriptReportRowOf(ScriptReport code) {
    return kRows[code < kReportCodes ? code : kReportOutOfMemory];
}
