#include "tools/diagnostic_json.h"

#include "tools/text_encoding.h"

namespace {

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

std::string JsonPlace(const TextPlace& place) {
    return place.line > 0 ? "{\"line\": " + std::to_string(place.line) +
                                ", \"column\": " + std::to_string(place.column) + "}"
                          : "null";
}

// One diagnostic, its notes nested in it as gcc nests its children.
std::string JsonItem(const Diagnostic& d) {
    std::string json = "{\"code\": " + (d.code.empty() ? "null" : JsonString(d.code));
    json += ", \"severity\": \"" + std::string(SeverityName(d.severity)) + "\"";
    json += ", \"message\": " + JsonString(d.message);
    json += ", \"file\": " + (d.file.empty() ? "null" : JsonString(d.file));
    json += ", \"start\": " + JsonPlace(d.start) + ", \"end\": " + JsonPlace(d.end);
    json += ", \"include_chain\": [";
    for (const auto& include : d.includedFrom) {
        json += &include == &d.includedFrom.front() ? "" : ", ";
        json += "{\"file\": " + JsonString(include.first) +
                ", \"line\": " + std::to_string(include.second) + "}";
    }
    json += "], \"notes\": [";
    for (const Diagnostic& note : d.notes) {
        json += (&note == &d.notes.front() ? "" : ", ") + JsonItem(note);
    }
    return json + "]}";
}

} // namespace

void WriteDiagnosticsJson(FILE* out, const std::vector<Diagnostic>& diagnostics, long notShown) {
    std::string json = "{\"diagnostics\": [";
    for (const Diagnostic& d : diagnostics) {
        json += (&d == &diagnostics.front() ? "\n  " : ",\n  ") + JsonItem(d);
    }
    json += diagnostics.empty() ? "]" : "\n]";
    json += ", \"not_shown\": " + std::to_string(notShown) + "}\n";
    std::fputs(json.c_str(), out);
}
