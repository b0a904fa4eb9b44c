#include "tools/diagnostic_text.h"
#include "tools/printable.h"

namespace {

// A line longer than this is shown as a window around the column.
const size_t kMostShownBytes = 160;

const char* SeverityColour(Diagnostic::Severity severity) {
    return severity == Diagnostic::kError     ? "\033[1;31m"
           : severity == Diagnostic::kWarning ? "\033[1;35m"
                                              : "\033[1;36m";
}

// The line, cut to a window around `*column` when it is long; `*column` then counts in the
// window.
std::string WindowOf(const std::string& line, size_t* column) {
    if (line.size() <= kMostShownBytes) {
        return line;
    }
    size_t start = *column > kMostShownBytes / 2 ? *column - kMostShownBytes / 2 : 0;
    *column = *column - start + (start > 0 ? 3 : 0);
    return (start > 0 ? "..." : "") + line.substr(start, kMostShownBytes) +
           (start + kMostShownBytes < line.size() ? "..." : "");
}

// What goes before the caret under `shown`: tabs stay tabs so that it lines up, and the bytes
// after the first of a UTF-8 character take no place.
std::string CaretIndent(const std::string& shown, size_t column) {
    std::string indent;
    for (size_t at = 0; at < column && at < shown.size(); ++at) {
        unsigned char c = static_cast<unsigned char>(shown[at]);
        if (c == '\t') {
            indent += '\t';
        } else if ((c & 0xC0) != 0x80) {
            indent += ' ';
        }
    }
    if (column > shown.size()) {
        indent.append(column - shown.size(), ' ');
    }
    return indent;
}

// The line, cut to a window around the column, and the caret line under it.
std::string SourceLine(const Diagnostic& d, bool colour) {
    size_t column = d.start.column > 0 ? size_t(d.start.column - 1) : 0;
    std::string shown = WindowOf(d.lineText, &column);
    return Printable(shown, true) + "\n" + CaretIndent(shown, column) +
           (colour ? "\033[1;32m^\033[0m\n" : "^\n");
}

// FILE:LINE:COLUMN, or the tool's name for a diagnostic of no file.
std::string PlaceOf(const Diagnostic& d) {
    std::string place = d.file.empty() ? "ferrox-script" : Printable(d.file);
    if (d.start.line > 0) {
        place += ":" + std::to_string(d.start.line) + ":" + std::to_string(d.start.column);
    }
    return place;
}

// The diagnostic, its include chain, then its notes.
void AppendOne(std::string* text, const Diagnostic& d, bool colour) {
    std::string bold = colour ? "\033[1m" : "", plain = colour ? "\033[0m" : "";
    *text += bold + PlaceOf(d) + ":" + plain + " " + (colour ? SeverityColour(d.severity) : "") +
             SeverityName(d.severity) + ":" + plain + " " + Printable(d.message) + "\n";
    if (d.showLine) {
        *text += SourceLine(d, colour);
    }
    for (const auto& include : d.includedFrom) {
        *text += (colour ? SeverityColour(Diagnostic::kNote) : "") + std::string("note:") + plain +
                 " included from " + Printable(include.first) + ":" +
                 std::to_string(include.second) + "\n";
    }
    for (const Diagnostic& note : d.notes) {
        AppendOne(text, note, colour);
    }
}

} // namespace

std::string DiagnosticsText(const std::vector<Diagnostic>& diagnostics, long notShown,
                            bool colour) {
    std::string text;
    for (const Diagnostic& d : diagnostics) {
        AppendOne(&text, d, colour);
    }
    if (notShown > 0) {
        text += "ferrox-script: " + std::to_string(notShown) + " more diagnostics not shown\n";
    }
    return text;
}
