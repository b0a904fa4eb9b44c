// A lossless token scanner of configuration files for tools that rewrite their layout: every
// byte belongs to exactly one token, so the tokens' texts put together give the file back. It
// knows where the parser's comments, strings, words and numbers begin and end, and nothing of
// what they mean.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct ScriptToken {
    enum Kind {
        kBlank,        // spaces and tabs
        kLineEnd,      // CR LF, a lone LF or a lone CR
        kLineComment,  // "//" up to and with the LF that ends it (the end of the file else)
        kBlockComment, // "/*" up to and with the first "*/" (the end of the file else)
        kString,       // a quoted string with its escapes, up to its closing quote
        kWord,         // letters, digits and underscores; digits then '.' then digits, too
        kPunctuation,  // one of ( ) , { } ! $ ; -
        kOther,        // any other byte, and a string the end of the file cut off
    };
    Kind kind;
    uint32_t start, end; // byte offsets: [start, end)
};

// The tokens of `text`, in order; their spans cover it without gaps.
std::vector<ScriptToken> ScanScriptTokens(std::string_view text);

inline bool IsComment(const ScriptToken& token) {
    return token.kind == ScriptToken::kLineComment || token.kind == ScriptToken::kBlockComment;
}

// A comment's text as the parser skips it, without the line end that ends a line comment.
std::string_view CommentText(std::string_view text, const ScriptToken& comment);
