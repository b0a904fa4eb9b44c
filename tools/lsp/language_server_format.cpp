// The language server's formatting: the layout of ferrox-script fmt, of a whole document or of
// the statements a range touches, laid out in the file's bytes and sent back as one edit that
// spans only what changes.
#include "tools/lsp/language_server.h"
#include "tools/lsp/server_json.h"
#include "tools/script_format.h"

#include <algorithm>

using nlohmann::json;

namespace {

// Whether a line starts at `at` of `bytes`, where lines end as the parser's do.
bool LineStartsAt(const std::string& bytes, size_t at) {
    if (at == 0 || at >= bytes.size()) {
        return true;
    }
    return bytes[at - 1] == '\n' || (bytes[at - 1] == '\r' && bytes[at] != '\n');
}

// The edit of `bytes` narrowed to the lines it changes: nothing when it changes nothing.
std::optional<ScriptEdit> Narrowed(const std::string& bytes, const ScriptEdit& edit) {
    size_t start = edit.start, end = edit.end;
    const std::string& laidOut = edit.text;
    size_t same = 0;
    while (same < laidOut.size() && start + same < end && bytes[start + same] == laidOut[same]) {
        ++same;
    }
    while (same > 0 && !LineStartsAt(bytes, start + same)) {
        --same;
    }
    size_t sameEnd = 0;
    while (sameEnd < laidOut.size() - same && end - sameEnd > start + same &&
           bytes[end - sameEnd - 1] == laidOut[laidOut.size() - sameEnd - 1]) {
        ++sameEnd;
    }
    while (sameEnd > 0 && !LineStartsAt(bytes, end - sameEnd)) {
        --sameEnd;
    }
    ScriptEdit narrowed{uint32_t(start + same), uint32_t(end - sameEnd),
                        laidOut.substr(same, laidOut.size() - same - sameEnd)};
    if (narrowed.start == narrowed.end && narrowed.text.empty()) {
        return std::nullopt;
    }
    return narrowed;
}

} // namespace

json LanguageServer::Format(const std::string& method, const json& params) {
    Document* document = Find(params, false);
    if (!document) {
        return nullptr;
    }
    RefreshBytes();
    const std::string& bytes = document->bytes;
    if (!DocumentParses(document->path, bytes)) {
        return json::array(); // what the parse rejects is left as it is
    }
    std::optional<ScriptEdit> edit;
    if (method == "textDocument/formatting") {
        std::optional<std::string> laidOut = FormatScript(bytes);
        if (laidOut) {
            edit = ScriptEdit{0, uint32_t(bytes.size()), *laidOut};
        }
    } else {
        const json& range = params.at("range");
        TextPosition start = PositionFromJson(range.at("start"));
        TextPosition end = PositionFromJson(range.at("end"));
        // A range that ends at a line's start leaves that line out.
        long last = end.character == 0 && end.line > start.line ? end.line - 1 : end.line;
        edit = FormatScriptLines(bytes, uint32_t(std::max(0L, start.line) + 1),
                                 uint32_t(std::max(start.line, last) + 1));
    }
    if (edit) {
        edit = Narrowed(bytes, *edit);
    }
    if (!edit) {
        return json::array();
    }
    // Each byte is one code point of the text: the offsets are the text's indexes.
    const TextDocument& text = document->text;
    return json::array({{{"range",
                          {{"start", PositionJson(text.PositionOfIndex(edit->start))},
                           {"end", PositionJson(text.PositionOfIndex(edit->end))}}},
                         {"newText", ToUtf8(edit->text, codePage_)}}});
}
