#include "tools/lsp/language_features.h"

#include "script/language.h"

#include <cctype>

using nlohmann::json;

namespace {

const int kSymbolObject = 19, kSymbolProperty = 7;           // DocumentSymbol kinds
const int kCompletionKeyword = 14, kCompletionConstant = 21; // CompletionItem kinds

const char* WantedKind(int kind) {
    return kind == kIntKind ? "an integer" : kind == kFloatKind ? "a decimal number" : "a string";
}

// What the cursor is on.
struct Target {
    int keyword = -1, constant = -1, call = -1, argument = -1, include = -1;
};

Target TargetAt(const FeatureContext& c) {
    Target target;
    const ScriptIndex& index = c.index;
    for (size_t k = 0; k < index.keywords.size(); ++k) {
        if (index.keywords[k].spot.Holds(c.path, c.offset)) {
            target.keyword = int(k);
        }
    }
    for (size_t k = 0; k < index.constants.size(); ++k) {
        if (index.constants[k].spot.Holds(c.path, c.offset)) {
            target.constant = int(k);
        }
    }
    for (size_t i = 0; i < index.includes.size(); ++i) {
        if (index.includes[i].name.Holds(c.path, c.offset)) {
            target.include = int(i);
        }
    }
    for (size_t k = 0; k < index.calls.size(); ++k) {
        const IndexedCall& call = index.calls[k];
        if (call.name.Holds(c.path, c.offset)) {
            target.call = int(k);
            target.keyword = call.keyword;
        }
        for (size_t a = 0; a < call.arguments.size(); ++a) {
            if (call.arguments[a].spot.Holds(c.path, c.offset) &&
                call.arguments[a].spot.end > call.arguments[a].spot.at) {
                target.call = int(k);
                target.argument = int(a);
                target.constant = call.arguments[a].constant;
            }
        }
    }
    return target;
}

long LineOf(const FeatureContext& c, const IndexSpot& spot) {
    return c.location(spot)["range"]["start"]["line"].get<long>() + 1;
}

std::string Where(const FeatureContext& c, const IndexSpot& spot) {
    return c.utf8(spot.path) + ":" + std::to_string(LineOf(c, spot));
}

std::string KeywordText(const FeatureContext& c, int k) {
    const IndexedKeyword& keyword = c.index.keywords[k];
    return "```\n" + keyword.Declaration() + "\n```\ndeclared in " + Where(c, keyword.spot);
}

std::string ConstantText(const FeatureContext& c, int k) {
    const IndexedConstant& constant = c.index.constants[k];
    return "constant `" + constant.spelling + "`: " + WantedKind(constant.kind) + ", " +
           c.utf8(constant.value) + "\n\ndefined in " + Where(c, constant.spot);
}

std::string ArgumentText(const FeatureContext& c, const Target& t) {
    const IndexedCall& call = c.index.calls[t.call];
    const IndexedArgument& argument = call.arguments[t.argument];
    std::string name = call.keyword >= 0 ? c.index.keywords[call.keyword].spelling : "?";
    std::string text = "argument " + std::to_string(t.argument + 1) + " of `" + name + "`: wants " +
                       WantedKind(argument.kind) + " (" + KindLetter(argument.kind) + ")";
    if (!argument.value.empty()) {
        text += "\n\nthe game reads " + c.utf8(argument.value);
    }
    if (t.constant >= 0) {
        text += "\n\n" + ConstantText(c, t.constant);
    }
    return text;
}

std::string IncludeText(const FeatureContext& c, int i) {
    const IndexedInclude& include = c.index.includes[i];
    std::string written = c.bytes.substr(include.name.at, include.name.end - include.name.at);
    std::string text = "include " + c.utf8(written) + ": `" + c.utf8(include.path) + "`";
    switch (include.where) {
    case IndexedInclude::kMissing:
        return text + ", missing, so it is skipped";
    case IndexedInclude::kArchive:
        return text + ", read from a mounted archive";
    default:
        return text + ", on the disk";
    }
}

json Locations(const FeatureContext& c, const std::vector<IndexSpot>& spots) {
    json found = json::array();
    for (const IndexSpot& spot : spots) {
        found.push_back(c.location(spot));
    }
    return found;
}

// The call whose argument list holds the cursor, from the text of its line: its keyword and
// the argument's number; false when the cursor is outside every argument list.
bool ArgumentContext(const FeatureContext& c, std::string* keyword, int* argument) {
    uint32_t start = c.offset;
    while (start > 0 && c.bytes[start - 1] != '\n' && c.bytes[start - 1] != '\r') {
        --start;
    }
    struct Open {
        std::string word;
        int commas;
    };
    std::vector<Open> open;
    std::string word; // the last word, which a '(' may follow after blanks
    bool quoted = false, wordEnded = false;
    for (uint32_t at = start; at < c.offset && at < c.bytes.size(); ++at) {
        unsigned char b = static_cast<unsigned char>(c.bytes[at]);
        if (quoted) {
            at += b == '\\';
            quoted = b != '"';
        } else if (b == '"') {
            quoted = true;
        } else if (std::isalnum(b) || b == '_' || b == '!' || b == '$') {
            if (wordEnded) {
                word.clear();
                wordEnded = false;
            }
            word += char(std::tolower(b));
            continue;
        } else if (b == ' ' || b == '\t') {
            wordEnded = !word.empty();
            continue;
        } else if (b == '(') {
            open.push_back({word, 0});
        } else if (b == ')' && !open.empty()) {
            open.pop_back();
        } else if (b == ',' && !open.empty()) {
            ++open.back().commas;
        }
        word.clear();
        wordEnded = false;
    }
    if (open.empty() || open.back().word.empty() ||
        !std::isalpha(static_cast<unsigned char>(open.back().word[0]))) {
        return false;
    }
    *keyword = open.back().word;
    *argument = open.back().commas;
    return true;
}

} // namespace

json Hover(const FeatureContext& c) {
    Target t = TargetAt(c);
    std::string text;
    if (t.argument >= 0) {
        text = ArgumentText(c, t);
    } else if (t.keyword >= 0) {
        text = KeywordText(c, t.keyword);
    } else if (t.constant >= 0) {
        text = ConstantText(c, t.constant);
    } else if (t.include >= 0) {
        text = IncludeText(c, t.include);
    } else {
        return nullptr;
    }
    return {{"contents", {{"kind", "markdown"}, {"value", text}}}};
}

json Definition(const FeatureContext& c) {
    Target t = TargetAt(c);
    if (t.constant >= 0) {
        return c.location(c.index.constants[t.constant].spot);
    }
    if (t.keyword >= 0) {
        return c.location(c.index.keywords[t.keyword].spot);
    }
    if (t.include >= 0 && c.index.includes[t.include].where == IndexedInclude::kDisk) {
        return c.location({c.index.includes[t.include].path, 0, 0});
    }
    return nullptr;
}

json References(const FeatureContext& c, bool withDeclaration) {
    Target t = TargetAt(c);
    std::vector<IndexSpot> spots;
    if (t.constant >= 0) {
        if (withDeclaration) {
            spots.push_back(c.index.constants[t.constant].spot);
        }
        for (const IndexedCall& call : c.index.calls) {
            for (const IndexedArgument& argument : call.arguments) {
                if (argument.constant == t.constant) {
                    spots.push_back(argument.spot);
                }
            }
        }
    } else if (t.keyword >= 0) {
        if (withDeclaration) {
            spots.push_back(c.index.keywords[t.keyword].spot);
        }
        for (const IndexedCall& call : c.index.calls) {
            if (call.keyword == t.keyword) {
                spots.push_back(call.name);
            }
        }
    } else {
        return nullptr;
    }
    return Locations(c, spots);
}

json DocumentSymbols(const FeatureContext& c) {
    const ScriptIndex& index = c.index;
    std::vector<json> symbols(index.calls.size());
    json top = json::array();
    // Children come after their parent: fill them in from the last call back.
    for (int k = int(index.calls.size()) - 1; k >= 0; --k) {
        const IndexedCall& call = index.calls[k];
        if (call.name.path != c.path) {
            continue;
        }
        json& symbol = symbols[k];
        symbol["name"] = call.keyword >= 0 ? index.keywords[call.keyword].spelling : "?";
        symbol["kind"] = call.block ? kSymbolObject : kSymbolProperty;
        symbol["range"] = c.location({call.name.path, call.name.at, call.end})["range"];
        symbol["selectionRange"] = c.location(call.name)["range"];
        if (!call.arguments.empty()) {
            const IndexSpot& first = call.arguments.front().spot;
            symbol["detail"] = c.utf8(c.bytes.substr(first.at, first.end - first.at));
        }
        if (!symbol.contains("children")) {
            symbol["children"] = json::array();
        }
        json& siblings = call.parent >= 0 && index.calls[call.parent].name.path == c.path
                             ? symbols[call.parent]["children"]
                             : top;
        if (siblings.is_null()) {
            siblings = json::array();
        }
        siblings.insert(siblings.begin(), symbol);
    }
    return top;
}

json Completion(const FeatureContext& c) {
    const ScriptIndex& index = c.index;
    long step = index.StepAt(c.path, c.offset);
    json items = json::array();
    std::string keyword;
    int argument = 0;
    if (ArgumentContext(c, &keyword, &argument)) {
        int wanted = -1;
        for (int k : index.KeywordsAt(step)) {
            const IndexedKeyword& declared = index.keywords[k];
            if (declared.name == keyword && argument < int(declared.kinds.size())) {
                wanted = KindOfLetter(declared.kinds[argument]);
            }
        }
        for (int k : index.ConstantsAt(step)) {
            const IndexedConstant& constant = index.constants[k];
            if (wanted < 0 || constant.kind == wanted) {
                items.push_back({{"label", constant.spelling},
                                 {"kind", kCompletionConstant},
                                 {"detail", std::string(1, KindLetter(constant.kind)) + " = " +
                                                c.utf8(constant.value)}});
            }
        }
        return items;
    }
    for (int k : index.KeywordsAt(step)) {
        items.push_back({{"label", index.keywords[k].spelling},
                         {"kind", kCompletionKeyword},
                         {"detail", index.keywords[k].Declaration()}});
    }
    return items;
}
