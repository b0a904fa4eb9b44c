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

// The line, cut to a window around the column, and the caret line under it. Tabs stay tabs so
// that the caret lines up; the bytes after the first of a UTF-8 character take no place.
void WriteSourceLine(FILE* out, const Diagnostic& d, bool colour) {
    size_t column = d.column > 0 ? size_t(d.column - 1) : 0;
    size_t start = 0;
    std::string shown = d.lineText;
    if (shown.size() > kMostShownBytes) {
        start = column > kMostShownBytes / 2 ? column - kMostShownBytes / 2 : 0;
        shown = (start > 0 ? "..." : "") + shown.substr(start, kMostShownBytes) +
                (start + kMostShownBytes < d.lineText.size() ? "..." : "");
        column += start > 0 ? 3 : 0;
        column -= start;
    }
    std::string caret;
    for (size_t at = 0; at < column && at < shown.size(); ++at) {
        unsigned char c = static_cast<unsigned char>(shown[at]);
        if (c == '\t') {
            caret += '\t';
        } else if ((c & 0xC0) != 0x80) {
            caret += ' ';
        }
    }
    if (column > shown.size()) {
        caret.append(column - shown.size(), ' ');
    }
    std::fprintf(out, "%s\n%s%s^%s\n", Printable(shown, true).c_str(), caret.c_str(),
                 colour ? "\033[1;32m" : "", colour ? "\033[0m" : "");
}

// A JSON string literal: valid UTF-8 is kept, other bytes are read as Latin-1.
std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (size_t at = 0; at < text.size(); ++at) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        size_t length = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 0;
        bool valid = length != 0 && at + length <= text.size();
        for (size_t next = 1; valid && next < length; ++next) {
            valid = (static_cast<unsigned char>(text[at + next]) & 0xC0) == 0x80;
        }
        char escape[8];
        if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
        } else if (c < 0x20 || !valid) {
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
            json += escape;
        } else {
            json.append(text, at, length);
            at += length - 1;
        }
    }
    return json + '"';
}

} // namespace

void WriteDiagnosticsText(FILE* out, const std::vector<Diagnostic>& diagnostics, long notShown,
                          bool colour) {
    const char* bold = colour ? "\033[1m" : "";
    const char* plain = colour ? "\033[0m" : "";
    for (const Diagnostic& d : diagnostics) {
        std::string place = d.file.empty() ? "ferrox-script" : Printable(d.file);
        if (d.line > 0) {
            place += ":" + std::to_string(d.line) + ":" + std::to_string(d.column);
        }
        std::fprintf(out, "%s%s:%s %s%s:%s %s\n", bold, place.c_str(), plain,
                     colour ? SeverityColour(d.severity) : "", SeverityName(d.severity), plain,
                     Printable(d.message).c_str());
        if (d.showLine) {
            WriteSourceLine(out, d, colour);
        }
        for (const auto& include : d.includedFrom) {
            std::fprintf(out, "%s%s:%s included from %s:%d\n",
                         colour ? SeverityColour(Diagnostic::kNote) : "", "note", plain,
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
