#include "tools/script_tokens.h"

#include "script/language.h"

#include <cstring>

namespace {

// The end of the token that starts at `at`. The comment rules restate ScriptSource::SkipBlanks,
// the string rule ParseStringLiteral, the number rule the literal readers: the property tests
// check the token ends against those readers on every case file.
uint32_t TokenEnd(std::string_view text, uint32_t at, ScriptToken::Kind* kind) {
    const uint32_t size = uint32_t(text.size());
    unsigned char c = text[at];
    auto next = [&](uint32_t i) {
        return i < size ? int(static_cast<unsigned char>(text[i])) : -1;
    };
    if (c == ' ' || c == '\t') {
        *kind = ScriptToken::kBlank;
        uint32_t end = at + 1;
        while (next(end) == ' ' || next(end) == '\t') {
            ++end;
        }
        return end;
    }
    if (c == '\r' || c == '\n') {
        *kind = ScriptToken::kLineEnd;
        return c == '\r' && next(at + 1) == '\n' ? at + 2 : at + 1;
    }
    if (c == '/' && next(at + 1) == '/') {
        // It ends after the next line feed, whatever CRs stand before it.
        *kind = ScriptToken::kLineComment;
        size_t feed = text.find('\n', at + 2);
        return feed == std::string_view::npos ? size : uint32_t(feed) + 1;
    }
    if (c == '/' && next(at + 1) == '*') {
        *kind = ScriptToken::kBlockComment;
        size_t close = text.find("*/", at + 2);
        return close == std::string_view::npos ? size : uint32_t(close) + 2;
    }
    if (c == '"') {
        // A backslash takes the byte after it, whatever it is, so that byte never ends the
        // string; the pair of a line end that the escape also takes is no quote either.
        for (uint32_t i = at + 1; i < size; ++i) {
            if (text[i] == '"') {
                *kind = ScriptToken::kString;
                return i + 1;
            }
            i += text[i] == '\\' ? 1 : 0;
        }
        *kind = ScriptToken::kOther; // unterminated: the parser fails on it
        return size;
    }
    if (IsWordByte(c)) {
        *kind = ScriptToken::kWord;
        uint32_t end = at + 1;
        bool digits = IsDigitByte(c);
        for (; IsWordByte(next(end)); ++end) {
            digits = digits && IsDigitByte(next(end));
        }
        if (digits && next(end) == '.') {
            for (++end; IsDigitByte(next(end)); ++end) {
            }
        }
        return end;
    }
    *kind = c != 0 && std::strchr("(),{}!$;-", c) ? ScriptToken::kPunctuation : ScriptToken::kOther;
    return at + 1;
}

} // namespace

std::vector<ScriptToken> ScanScriptTokens(std::string_view text) {
    std::vector<ScriptToken> tokens;
    for (uint32_t at = 0; at < text.size();) {
        ScriptToken token{ScriptToken::kOther, at, 0};
        token.end = TokenEnd(text, at, &token.kind);
        tokens.push_back(token);
        at = token.end;
    }
    return tokens;
}

std::string_view CommentText(std::string_view text, const ScriptToken& comment) {
    uint32_t end = comment.end;
    if (comment.kind == ScriptToken::kLineComment && text[end - 1] == '\n') {
        end -= end - 2 > comment.start && text[end - 2] == '\r' ? 2 : 1;
    }
    return text.substr(comment.start, end - comment.start);
}
