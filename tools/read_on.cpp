#include "tools/read_on.h"

#include "script/parser.h"
#include "tools/parse_watcher.h"
#include "tools/statement_span.h"

#include <climits>
#include <memory>

namespace {

// Copies of a big file are parsed again only up to this many bytes in all.
const uint64_t kMostBytesReadOn = 256u << 20;

// Where a diagnostic lies in the top file: its own place, or the include that led to it.
TextPlace TopPlace(const Diagnostic& d) {
    return d.includedFrom.empty() ? d.start : TextPlace{d.includedFrom.back().second, INT_MAX};
}

bool NotBefore(const TextPlace& place, const TextPlace& mark) {
    return place.line > mark.line || (place.line == mark.line && place.column >= mark.column);
}

} // namespace

std::vector<Diagnostic> ReadOnPastErrors(const std::string& path, std::string text, uint32_t at) {
    std::vector<Diagnostic> found;
    uint64_t bytesRead = 0;
    for (int parses = 0; parses < kMostReadingsOn && found.size() < kMostFoundReadingOn; ++parses) {
        auto bytes = reinterpret_cast<const unsigned char*>(text.data());
        uint32_t size = uint32_t(text.size());
        std::optional<StatementSpan> span = StatementAt(bytes, size, at);
        bytesRead += size;
        if (!span || span->first == '!' || span->first == '$' || bytesRead > kMostBytesReadOn) {
            break;
        }
        for (uint32_t blank = span->start; blank < span->end; ++blank) {
            text[blank] = text[blank] == '\r' || text[blank] == '\n' ? text[blank] : ' ';
        }
        TextPlace after = PlaceOf(bytes, size, span->end);
        ParseWatcher watcher;
        std::unique_ptr<ScriptEntry> entries(
            ParseScriptBuffer(path.c_str(), text.data(), text.size()));
        for (const Diagnostic& d : watcher.Diagnostics()) {
            // Before the blank the copy reads as the file did, and a fault of the file as a
            // whole may be one of the blanks.
            if (d.start.line > 0 && NotBefore(TopPlace(d), after) &&
                found.size() < kMostFoundReadingOn) {
                found.push_back(d);
            }
        }
        if (!watcher.ErrorInTopFile()) {
            break;
        }
        at = *watcher.ErrorInTopFile();
    }
    return found;
}
