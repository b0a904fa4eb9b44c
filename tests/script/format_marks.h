// What a layout must keep of a configuration file: the text of each token other than blanks and
// line ends, in order. Shared by the layout's property tests and its fuzz target.
#pragma once

#include "tools/script_tokens.h"

#include <string>
#include <vector>

inline std::vector<std::string> Marks(const std::string& text) {
    std::vector<std::string> marks;
    for (const ScriptToken& token : ScanScriptTokens(text)) {
        if (token.kind != ScriptToken::kBlank && token.kind != ScriptToken::kLineEnd) {
            marks.push_back(text.substr(token.start, token.end - token.start));
        }
    }
    return marks;
}
