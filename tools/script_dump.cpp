#include "tools/script_dump.h"

#include "script/source.h"
#include "tools/fixed_decimal.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Whether the script's own float reader turns `literal` into exactly the bits of `value`.
bool ReadsBackAs(const std::string& literal, float value) {
    ScriptSource reader(""); // no file: an empty source, given the literal's bytes
    std::string text = literal + ")";
    reader.buffer = static_cast<unsigned char*>(std::malloc(text.size()));
    if (!reader.buffer) {
        return false;
    }
    std::memcpy(reader.buffer, text.data(), text.size());
    reader.size = uint32_t(text.size());
    int32_t error = 0;
    FloatValue* read = reader.ParseFloatLiteral(&error);
    bool same = read && error == 0 && std::memcmp(&read->value, &value, sizeof value) == 0;
    delete read;
    return same;
}

// The shortest decimal that reads back as the value. The reader scales by repeated products,
// so the shortest exact form may need more digits; infinities and the not-a-number the reader
// can make are written as the overlong literals that make them.
std::string FloatLiteral(float value) {
    std::string shortest = ShortestFixed(value);
    if (ReadsBackAs(shortest, value)) {
        return shortest;
    }
    for (int precision = 1; precision <= 120; ++precision) {
        std::optional<std::string> candidate = FixedWithPrecision(value, precision, 160);
        if (candidate && ReadsBackAs(*candidate, value)) {
            return *candidate;
        }
    }
    std::string huge = "1" + std::string(39, '0'), overflowing = "1" + std::string(309, '0');
    std::string nan = overflowing + "." + std::string(330, '0');
    for (const std::string& special : {huge, "-" + huge, nan, "-" + nan}) {
        if (ReadsBackAs(special, value)) {
            return special;
        }
    }
    return shortest;
}

// A string literal: quotes and backslashes escaped, CR LF as \n, tabs as \t, the rest as is.
std::string StringLiteral(const char* text) {
    std::string literal = "\"";
    for (const char* c = text ? text : ""; *c; ++c) {
        if (c[0] == '\r' && c[1] == '\n') {
            literal += "\\n";
            ++c;
        } else if (*c == '\t') {
            literal += "\\t";
        } else {
            literal += *c == '"' || *c == '\\' ? "\\" : "";
            literal += *c;
        }
    }
    return literal + '"';
}

class Dumper {
public:
    explicit Dumper(const std::map<std::string, std::string>* spellings) : spellings_(spellings) {}
    std::string text;

    // Recursion follows the tree, whose depth the parser bounds.
    void List(const ScriptEntry* entry, int depth) {
        std::string indent(size_t(2 * depth), ' ');
        Hidden hidden;
        for (; entry; entry = entry->next) {
            std::string kinds, values;
            for (const ScriptValue* value = entry->values; value; value = value->next) {
                kinds += std::string(kinds.empty() ? "" : ", ") + KindLetter(value->kind);
                values += values.empty() ? "" : ", ";
                values += Literal(value);
            }
            Declare(entry->name, kinds, indent, hidden);
            text += indent + Spelled(entry->name) + "(" + values + ")";
            if (entry->child) {
                text += " {\n";
                List(entry->child, depth + 1);
                text += indent + "}";
            }
            text += "\n";
        }
        // A block's typedefs end with it; those of the top level hold to the end.
        if (depth > 0) {
            Restore(hidden);
        }
    }

private:
    // The typedefs a block's declarations hid: name and kind letters, none when it had none.
    typedef std::vector<std::pair<std::string, std::optional<std::string>>> Hidden;

    // Writes a typedef of `name` with `kinds`, unless one is in force already.
    void Declare(const std::string& name, const std::string& kinds, const std::string& indent,
                 Hidden& hidden) {
        auto found = inForce_.find(name);
        if (found != inForce_.end() && found->second == kinds) {
            return;
        }
        hidden.push_back({name, found == inForce_.end()
                                    ? std::nullopt
                                    : std::optional<std::string>(found->second)});
        inForce_[name] = kinds;
        text += indent + "!" + Spelled(name) + "(" + kinds + ")\n";
    }

    void Restore(Hidden& hidden) {
        for (; !hidden.empty(); hidden.pop_back()) {
            if (hidden.back().second) {
                inForce_[hidden.back().first] = *hidden.back().second;
            } else {
                inForce_.erase(hidden.back().first);
            }
        }
    }

    static std::string Literal(const ScriptValue* value) {
        if (value->kind == kIntKind) {
            return std::to_string(static_cast<const IntValue*>(value)->value);
        }
        if (value->kind == kFloatKind) {
            return FloatLiteral(static_cast<const FloatValue*>(value)->value);
        }
        return StringLiteral(static_cast<const StringValue*>(value)->text);
    }

    std::string Spelled(const std::string& name) const {
        if (spellings_) {
            auto found = spellings_->find(name);
            if (found != spellings_->end()) {
                return found->second;
            }
        }
        return name;
    }

    const std::map<std::string, std::string>* spellings_;
    std::map<std::string, std::string> inForce_; // keyword: its kind letters
};

} // namespace

std::string DumpScript(const ScriptEntry* entries,
                       const std::map<std::string, std::string>* spellings) {
    Dumper dumper(spellings);
    dumper.List(entries, 0);
    return dumper.text;
}
