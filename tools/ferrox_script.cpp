// ferrox-script: parses a configuration file exactly as the launcher parses game.ini (from the
// working folder, with its include files, reporting to the diagnostic log and the debugger
// output) and shows what came of it.
#include "script/parser.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char kUsage[] =
    "usage: ferrox-script check|dump|record FILE\n"
    "  check   parse FILE; print nothing\n"
    "  dump    print the entries, one a line, children indented by two blanks\n"
    "  record  write the entries to standard output as binary entry records\n"
    "exit status: 0 entries came back, 1 nothing came back (missing, empty or failed),\n"
    "             2 usage error\n";

// A decimal literal that reads back as the same value; the language has no exponents.
std::string FloatLiteral(float value) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
    }
    char text[128];
    std::snprintf(text, sizeof text, "%.9g", double(value));
    if (std::strchr(text, 'e')) {
        std::snprintf(text, sizeof text, "%.60f", double(value));
        char* end = text + std::strlen(text);
        while (end[-1] == '0') {
            --end;
        }
        end[end[-1] == '.' ? -1 : 0] = '\0';
    }
    return text;
}

std::string StringLiteral(const char* text) {
    std::string literal = "\"";
    for (const char* c = text ? text : ""; *c; ++c) {
        if (c[0] == '\r' && c[1] == '\n') {
            literal += "\\n";
            ++c;
        } else if (*c == '\t') {
            literal += "\\t";
        } else if (*c == '"' || *c == '\\') {
            literal += '\\';
            literal += *c;
        } else {
            literal += *c;
        }
    }
    return literal + '"';
}

// Prints the list and its subtrees; returns how many entries it printed.
long Dump(const ScriptEntry* entry, int depth) {
    long printed = 0;
    for (; entry; entry = entry->next, ++printed) {
        std::string line(size_t(2 * depth), ' ');
        line += entry->name;
        line += '(';
        for (const ScriptValue* value = entry->values; value; value = value->next) {
            if (value != entry->values) {
                line += ", ";
            }
            if (value->kind == kIntKind) {
                line += std::to_string(static_cast<const IntValue*>(value)->value);
            } else if (value->kind == kFloatKind) {
                line += FloatLiteral(static_cast<const FloatValue*>(value)->value);
            } else {
                line += StringLiteral(static_cast<const StringValue*>(value)->text);
            }
        }
        std::printf("%s)\n", line.c_str());
        printed += Dump(entry->child, depth + 1);
    }
    return printed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const char* command = argc == 3 ? argv[1] : "";
    bool check = std::strcmp(command, "check") == 0, dump = std::strcmp(command, "dump") == 0,
         record = std::strcmp(command, "record") == 0;
    if (!check && !dump && !record) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    ScriptEntry* entries = ParseScriptFile(argv[2]);
    if (!entries) {
        return 1;
    }
    if (dump) {
        long topLevel = 0;
        for (const ScriptEntry* entry = entries; entry; entry = entry->next) {
            ++topLevel;
        }
        long all = Dump(entries, 0);
        std::fprintf(stderr, "%ld entries, %ld at the top level\n", all, topLevel);
    } else if (record) {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        entries->Write(stdout);
    }
    delete entries;
    return 0;
}
