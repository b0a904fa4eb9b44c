// The one layout of configuration files: one statement a line, the statements of a block
// indented by four spaces, ", " between arguments, " {" after the call that opens a block and
// the '}' on a line of its own, at most one blank line in a row. Only blanks and line ends
// change: comments stay where they stand (before a statement, at a line's end, inside an
// argument list) and every byte of every comment, string, number and name stays as written.
// New line ends are those the file uses already (its first), and no line ends a line comment
// early: what follows one always starts a new line.
//
// The text must be one the parser accepts: the caller checks that. Text whose statements do not
// have the shapes of the language is left alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The laid-out text, or nothing when the text is left alone.
std::optional<std::string> FormatScript(std::string_view text);

// An edit of a text: the bytes [start, end) become `text`.
struct ScriptEdit {
    uint32_t start, end;
    std::string text;
};

// The edit that lays out the statements touched by the lines first to last (counted from 1, as
// diagnostics count them) and leaves the rest of the text as it is; nothing when the text is
// left alone. The edit starts and ends at the start of a line, or at an end of the text.
std::optional<ScriptEdit> FormatScriptLines(std::string_view text, uint32_t first, uint32_t last);
