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
void WriteSourceLine(FILE* out, const Diagnostic& d, bool colour) {
    size_t column = d.start.column > 0 ? size_t(d.start.column - 1) : 0;
    std::string shown = WindowOf(d.lineText, &column);
    std::fprintf(out, "%s\n%s%s^%s\n", Printable(shown, true).c_str(),
                 CaretIndent(shown, column).c_str(), colour ? "\033[1;32m" : "",
                 colour ? "\033[0m" : "");
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
void WriteOne(FILE* out, const Diagnostic& d, bool colour) {
    const char* bold = colour ? "\033[1m" : "";
    const char* plain = colour ? "\033[0m" : "";
    std::fprintf(out, "%s%s:%s %s%s:%s %s\n", bold, PlaceOf(d).c_str(), plain,
                 colour ? SeverityColour(d.severity) : "", SeverityName(d.severity), plain,
                 Printable(d.message).c_str());
    if (d.showLine) {
        WriteSourceLine(out, d, colour);
    }
    for (const auto& include : d.includedFrom) {
        std::fprintf(out, "%snote:%s included from %s:%d\n",
                     colour ? SeverityColour(Diagnostic::kNote) : "", plain,
                     Printable(include.first).c_str(), include.second);
    }
    for (const Diagnostic& note : d.notes) {
        WriteOne(out, note, colour);
    }
}

} // namespace

void WriteDiagnosticsText(FILE* out, const std::vector<Diagnostic>& diagnostics, long notShown,
                          bool colour) {
    for (const Diagnostic& d : diagnostics) {
        WriteOne(out, d, colour);
    }
    if (notShown > 0) {
        std::fprintf(out, "ferrox-script: %ld more diagnostics not shown\n", notShown);
    }
}
