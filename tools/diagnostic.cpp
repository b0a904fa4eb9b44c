#include "tools/diagnostic.h"
#include "tools/printable.h"

namespace {

// A line longer than this is shown as a window around the column.
const size_t kMostShownBytes = 160;

const char* SeverityName(Diagnostic::Severity severity) {
    return severity == Diagnostic::kError     ? "error"
           : severity == Diagnostic::kWarning ? "warning"
                                              : "note";
}

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
    size_t column = d.column > 0 ? size_t(d.column - 1) : 0;
    std::string shown = WindowOf(d.lineText, &column);
    std::fprintf(out, "%s\n%s%s^%s\n", Printable(shown, true).c_str(),
                 CaretIndent(shown, column).c_str(), colour ? "\033[1;32m" : "",
                 colour ? "\033[0m" : "");
}

// The length of the UTF-8 character at `at`, 0 when the bytes there are not one.
size_t Utf8Length(const std::string& text, size_t at) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (size_t next = 1; next < length; ++next) {
        if ((static_cast<unsigned char>(text[at + next]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

// A JSON string literal: valid UTF-8 is kept, other bytes are read as Latin-1.
std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (size_t at = 0; at < text.size(); ++at) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        size_t length = Utf8Length(text, at);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
        } else if (c < 0x20 || length == 0) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
            json += escape;
        } else {
            json.append(text, at, length);
            at += length - 1;
        }
    }
    return json + '"';
}

// FILE:LINE:COLUMN, or the tool's name for a diagnostic of no file.
std::string PlaceOf(const Diagnostic& d) {
    std::string place = d.file.empty() ? "ferrox-script" : Printable(d.file);
    if (d.line > 0) {
        place += ":" + std::to_string(d.line) + ":" + std::to_string(d.column);
    }
    return place;
}

} // namespace

void WriteDiagnosticsText(FILE* out, const std::vector<Diagnostic>& diagnostics, long notShown,
                          bool colour) {
    const char* bold = colour ? "\033[1m" : "";
    const char* plain = colour ? "\033[0m" : "";
    const char* noteColour = colour ? SeverityColour(Diagnostic::kNote) : "";
    for (const Diagnostic& d : diagnostics) {
        std::fprintf(out, "%s%s:%s %s%s:%s %s\n", bold, PlaceOf(d).c_str(), plain,
                     colour ? SeverityColour(d.severity) : "", SeverityName(d.severity), plain,
                     Printable(d.message).c_str());
        if (d.showLine) {
            WriteSourceLine(out, d, colour);
        }
        for (const auto& include : d.includedFrom) {
            std::fprintf(out, "%snote:%s included from %s:%d\n", noteColour, plain,
                         Printable(include.first).c_str(), include.second);
        }
    }
    if (notShown > 0) {
        std::fprintf(out, "ferrox-script: %ld more diagnostics not shown\n", notShown);
    }
}

void WriteDiagnosticsJson(FILE* out, const std::vector<Diagnostic>& diagnostics, long notShown) {
    std::string json = "{\"diagnostics\": [";
    for (const Diagnostic& d : diagnostics) {
        json += &d == &diagnostics.front() ? "\n  " : ",\n  ";
        json += "{\"file\": " + (d.file.empty() ? std::string("null") : JsonString(d.file));
        json += ", \"line\": " + (d.line > 0 ? std::to_string(d.line) : "null");
        json += ", \"column\": " + (d.line > 0 ? std::to_string(d.column) : "null");
        json += ", \"severity\": \"" + std::string(SeverityName(d.severity)) + "\"";
        json += ", \"message\": " + JsonString(d.message) + ", \"include_chain\": [";
        for (const auto& include : d.includedFrom) {
            json += &include == &d.includedFrom.front() ? "" : ", ";
            json += "{\"file\": " + JsonString(include.first) +
                    ", \"line\": " + std::to_string(include.second) + "}";
        }
        json += "]}";
    }
    json += diagnostics.empty() ? "]" : "\n]";
    json += ", \"not_shown\": " + std::to_string(notShown) + "}\n";
    std::fputs(json.c_str(), out);
}
