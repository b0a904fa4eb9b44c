#include "script/parser.h"

#include "launcher/log.h"
#include "platform/win32.h"
#include "script/parse_events.h"

#include <cstring>
#include <new>

namespace {

// The kind a declaration letter stands for, or -1.
int32_t KindOfLetter(int c) {
    switch (c) {
    case 'i':
    case 'I':
    case 'n':
    case 'N':
        return kIntKind;
    case 'f':
    case 'F':
        return kFloatKind;
    case 's':
    case 'S':
        return kStringKind;
    default:
        return -1;
    }
}

void Fail(ScriptSource* source, ParseContext* parse, const char* message) {
    source->ReportError("%s", message);
    parse->error = 1;
}

ScriptValue* ParseLiteral(ScriptSource* source, int32_t kind, ParseContext* parse) {
    switch (kind) {
    case kIntKind:
        return source->ParseIntLiteral(&parse->error);
    case kFloatKind:
        return source->ParseFloatLiteral(&parse->error);
    default:
        return source->ParseStringLiteral(&parse->error);
    }
}

// A new entry named by the word at the read position, lower-cased; null after a report of
// `nameError` (the name is too long or cut by the end of the file) or of exhausted memory.
ScriptEntry* NewNamedEntry(ScriptSource* source, ParseContext* parse, const char* nameError) {
    ScriptEntry* entry = new (std::nothrow) ScriptEntry;
    if (!entry) {
        Fail(source, parse, "out of memory");
        return nullptr;
    }
    if (source->ReadWord(entry->name, sizeof entry->name) != 0) {
        Fail(source, parse, nameError);
        delete entry;
        return nullptr;
    }
    _strlwr(entry->name);
    return entry;
}

// Deletes the typedefs from `head` up to, not including, `stop`, one at a time, newest first.
void DeleteTypedefsUntil(ScriptEntry* head, const ScriptEntry* stop, ParseContext* parse) {
    while (head != stop) {
        ScriptEntry* doomed = head;
        head = head->next;
        doomed->next = nullptr;
        parse->typedefs.Pop();
        delete doomed;
    }
}

// After "!include", with the byte after the name read: parses the named file beside the
// including one and hands back its entries.
void ParseInclude(ScriptSource* source, ParseContext* parse, int afterName, ScriptEntry** included,
                  ScriptEntry** typedefs) {
    if (afterName != '(') {
        Fail(source, parse, "left bracked expected in include");
        return;
    }
    bool quoted = !source->AtEnd() && source->buffer[source->position] == '"';
    int32_t nameError = 0;
    StringValue* name = source->ParseStringLiteral(&nameError);
    if (nameError != 0 || !name) {
        delete name;
        // A bad name skips the include, except a quoted name that the end of the file cut
        // short: it swallowed the rest of the file, so the parse cannot succeed.
        if (quoted && nameError == 1) {
            parse->error = 1;
        }
        return;
    }
    source->SkipBlanks();
    if (source->GetChar() != ')') {
        delete name;
        Fail(source, parse, "right bracked expected in include");
        return;
    }
    char path[256];
    const char* text = name->text ? name->text : "";
    bool fits = std::strlen(source->directory) + std::strlen(text) < sizeof path;
    std::snprintf(path, sizeof path, "%s%s", source->directory, text);
    delete name;
    if (!fits) {
        Fail(source, parse, "include path longer than 255 characters");
        return;
    }
    if (parse->includeDepth >= kMostNestedIncludes) {
        Fail(source, parse, "includes nested more than 32 deep");
        return;
    }
    ScriptSource* file = new (std::nothrow) ScriptSource(path);
    if (!file) {
        Fail(source, parse, "out of memory");
        return;
    }
    // The included file sees the constants made so far, and the ones it makes stay.
    file->TakeConstants(*source);
    ++parse->includeDepth;
    *included = ParseBlock(file, typedefs, parse, false);
    --parse->includeDepth;
    source->TakeConstants(*file);
    delete file;
}

} // namespace

ScriptEntry* ParseScriptFile(const char* path) {
    ScriptSource* source = new (std::nothrow) ScriptSource(path);
    if (!source) {
        return nullptr;
    }
    ParseContext parse;
    ScriptEntry* typedefs = nullptr;
    ScriptEntry* entries = ParseBlock(source, &typedefs, &parse, false);
    DeleteTypedefsUntil(typedefs, nullptr, &parse);
    delete source;
    if (parse.error != 0) {
        LogPrintf("Parser: cant parse file '%s'\n", path);
        delete entries;
        return nullptr;
    }
    return entries;
}

ScriptEntry* ParseBlock(ScriptSource* source, ScriptEntry** typedefs, ParseContext* parse,
                        bool nested) {
    ScriptEntry* const outer = *typedefs;
    ScriptEntry* current = outer;
    ScriptEntry* head = nullptr;
    ScriptEntry** tail = &head; // entries are appended here, so a long file costs no walks
    auto append = [&tail](ScriptEntry* entries) {
        for (*tail = entries; *tail; tail = &(*tail)->next) {
        }
    };
    NotifyParseEvent({nested ? ParseEvent::kBlockStarted : ParseEvent::kFileStarted, source});
    bool closed = false; // by its '}'
    for (bool more = source->SkipBlanks() != -1; more && parse->error == 0;
         more = source->SkipBlanks() != -1) {
        int c = source->GetChar();
        if (c == '$') {
            ParseConstDef(source, parse);
        } else if (c == '!') {
            ScriptEntry* included = nullptr;
            ParseTypedef(source, parse, &included, &current);
            append(included);
        } else if (c == '}') {
            if (!nested) {
                Fail(source, parse, "unexpected closing curly bracket");
            }
            closed = true;
            break;
        } else {
            source->UngetChar();
            ScriptEntry* entry = ParseCall(source, parse);
            append(entry);
            if (parse->error != 0) {
                break;
            }
            source->SkipBlanks();
            int after = source->GetChar();
            if (after == '{') {
                if (parse->openBlocks >= kMostOpenBlocks) {
                    Fail(source, parse, "more than 256 blocks open");
                    break;
                }
                ++parse->openBlocks;
                entry->child = ParseBlock(source, &current, parse, true);
                --parse->openBlocks;
            } else if (after == ';') {
                source->ReportError("its not c!"); // a warning: the parse goes on
            } else if (after != -1) {
                source->UngetChar();
            }
        }
    }
    if (nested) {
        DeleteTypedefsUntil(current, outer, parse); // the block's own typedefs end with it
        current = outer;
    }
    *typedefs = current;
    ParseEvent ended{nested ? ParseEvent::kBlockEnded : ParseEvent::kFileEnded, source};
    ended.closed = closed;
    NotifyParseEvent(ended);
    return head;
}

ScriptEntry* ParseCall(ScriptSource* source, ParseContext* parse) {
    source->SkipBlanks();
    ScriptEntry* entry = NewNamedEntry(source, parse, "error in call");
    if (!entry) {
        return nullptr;
    }
    auto failWith = [&](const char* message) {
        Fail(source, parse, message);
        delete entry;
        return nullptr;
    };
    const ScriptEntry* type = parse->typedefs.Find(entry->name);
    if (!type) {
        source->ReportError("unknown keyword %s", entry->name);
        parse->error = 1;
        delete entry;
        return nullptr;
    }
    source->SkipBlanks();
    if (source->GetChar() != '(') {
        return failWith("opening bracket expected");
    }
    ScriptValue** tail = &entry->values;
    for (const ScriptValue* parameter = type->values; parameter; parameter = parameter->next) {
        source->SkipBlanks();
        NotifyParseEvent({ParseEvent::kArgument, source, nullptr, type, parameter});
        ScriptValue* value = ParseLiteral(source, parameter->kind, parse);
        NotifyParseEvent({ParseEvent::kArgumentRead, source});
        if (parse->error != 0) {
            delete value;
            delete entry;
            return nullptr;
        }
        if (!value) {
            return failWith("out of memory");
        }
        *tail = value;
        tail = &value->next;
        if (parameter->next) {
            source->SkipBlanks();
            if (source->GetChar() != ',') {
                return failWith("comma expected");
            }
        }
    }
    source->SkipBlanks();
    if (source->GetChar() != ')') {
        return failWith("closing bracket expected");
    }
    return entry;
}

void ParseConstDef(ScriptSource* source, ParseContext* parse) {
    ScriptEntry* constant = NewNamedEntry(source, parse, "error in const def");
    if (!constant) {
        return;
    }
    auto failWith = [&](const char* message) {
        Fail(source, parse, message);
        delete constant;
    };
    source->SkipBlanks();
    if (source->GetChar() != '(') {
        return failWith("left bracked expected in const def");
    }
    // The only form: a kind letter, a comma, a value of that kind, the closing bracket.
    int32_t kind = -1;
    for (int step = 0;; ++step) {
        source->SkipBlanks();
        int c = source->GetChar();
        if (step == 0 && KindOfLetter(c) >= 0) {
            kind = KindOfLetter(c);
        } else if (step == 1 && c == ',') {
            source->SkipBlanks();
            constant->values = ParseLiteral(source, kind, parse);
            if (parse->error != 0 || !constant->values) {
                delete constant;
                if (parse->error == 0) {
                    Fail(source, parse, "out of memory");
                }
                return;
            }
        } else if (step == 2 && c == ')') {
            source->AddConstant(constant);
            return;
        } else {
            return failWith("unexpected character in typedef");
        }
    }
}

void ParseTypedef(ScriptSource* source, ParseContext* parse, ScriptEntry** included,
                  ScriptEntry** typedefs) {
    ScriptEntry* type = NewNamedEntry(source, parse, "error in typedef");
    if (!type) {
        return;
    }
    auto failWith = [&](const char* message) {
        Fail(source, parse, message);
        delete type;
    };
    source->SkipBlanks();
    int c = source->GetChar();
    if (std::strcmp(type->name, "include") == 0) {
        delete type;
        ParseInclude(source, parse, c, included, typedefs);
        return;
    }
    if (c != '(') {
        return failWith("left bracked expected in typedef");
    }
    // Kind letters separated by commas; no comma before the first or after the last.
    ScriptValue** tail = &type->values;
    bool kindAllowed = true, commaAllowed = false, closeAllowed = true;
    for (;;) {
        source->SkipBlanks();
        c = source->GetChar();
        if (kindAllowed && KindOfLetter(c) >= 0) {
            ScriptValue* parameter = new (std::nothrow) ScriptValue(KindOfLetter(c));
            if (!parameter) {
                return failWith("out of memory");
            }
            *tail = parameter;
            tail = &parameter->next;
            kindAllowed = false;
            commaAllowed = closeAllowed = true;
        } else if (commaAllowed && c == ',') {
            kindAllowed = true;
            commaAllowed = closeAllowed = false;
        } else if (closeAllowed && c == ')') {
            type->next = *typedefs;
            *typedefs = type;
            parse->typedefs.Push(type);
            return;
        } else {
            return failWith("unexpected characted in typedef");
        }
    }
}
