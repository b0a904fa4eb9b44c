#include "script/parser.h"
#include "vfs/file_name.h"

#include "diag/log.h"
#include "platform/win32.h"
#include "script/parse_events.h"
#include "vfs/vfile.h"

#include <cstdio>
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

// Counts `bytes` more of entries and values made; false after a report when that is too many.
bool Charge(ScriptSource* source, ParseContext* parse, size_t bytes) {
    if (bytes > kMostTreeBytes - parse->treeBytes) {
        Fail(source, parse, "entries of more than 64 MiB in one parse");
        return false;
    }
    parse->treeBytes += uint32_t(bytes);
    return true;
}

ScriptValue* ParseLiteral(ScriptSource* source, int32_t kind, ParseContext* parse) {
    ScriptValue* value;
    size_t bytes;
    if (kind == kIntKind) {
        value = source->ParseIntLiteral(&parse->error);
        bytes = sizeof(IntValue);
    } else if (kind == kFloatKind) {
        value = source->ParseFloatLiteral(&parse->error);
        bytes = sizeof(FloatValue);
    } else {
        StringValue* string = source->ParseStringLiteral(&parse->error);
        value = string;
        bytes = sizeof(StringValue) + (string && string->text ? std::strlen(string->text) : 0);
    }
    if (value && !Charge(source, parse, bytes)) {
        delete value;
        return nullptr;
    }
    return value;
}

// A new entry named by the word at the read position, lower-cased; null after a report of
// `nameError` (the name is too long or cut by the end of the file), of exhausted memory, or of
// the parse's bound on what it makes.
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
    if (!Charge(source, parse, sizeof(ScriptEntry))) {
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

// False, after a report, when the parse may open no further include, or not this one: it is
// open already, so it would include itself without end.
bool MayInclude(ScriptSource* source, ParseContext* parse, const char* path) {
    if (parse->includeDepth >= kMostNestedIncludes) {
        Fail(source, parse, "includes nested more than 32 deep");
        return false;
    }
    if (parse->includeFiles >= kMostIncludeFiles) {
        Fail(source, parse, "more than 4096 include files in one parse");
        return false;
    }
    for (size_t open = 0; open < parse->openFiles.size(); ++open) {
        if (vfsamepath(parse->openFiles[open]->path, path)) {
            char chain[1024] = "";
            for (size_t at = open; at < parse->openFiles.size(); ++at) {
                size_t used = std::strlen(chain);
                std::snprintf(chain + used, sizeof chain - used, "%s > ",
                              parse->openFiles[at]->path);
            }
            source->ReportError("include cycle: %s%s", chain, path);
            parse->error = 1;
            return false;
        }
    }
    return true;
}

// A new source for a file of the parse, counted against its bounds; null after a report (made
// through `reporter`, or through the new source itself when there is none).
ScriptSource* OpenScript(ScriptSource* reporter, ParseContext* parse, const char* path,
                         const void* bytes = nullptr, size_t size = 0) {
    uint32_t mostBytes = kMostScriptBytes - parse->bytesRead;
    ScriptSource* file = bytes ? new (std::nothrow) ScriptSource(path, bytes, size, mostBytes)
                               : new (std::nothrow) ScriptSource(path, mostBytes);
    if (!file) {
        if (reporter) {
            Fail(reporter, parse, "out of memory");
        }
        return nullptr;
    }
    file->reportBudget = &parse->reports;
    if (file->tooLong) {
        Fail(reporter ? reporter : file, parse, "script files longer than 64 MiB in all");
        delete file;
        return nullptr;
    }
    parse->bytesRead += file->size;
    return file;
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
    NotifyParseEvent({ParseEvent::kIncludeName, source});
    StringValue* name = source->ParseStringLiteral(&nameError);
    NotifyParseEvent({ParseEvent::kIncludeNameRead, source});
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
    if (!MayInclude(source, parse, path)) {
        return;
    }
    ++parse->includeFiles;
    std::string key = FileName(path, NameForm::kLookup).c_str();
    // A path known to be missing reads as the empty file a missing one gives.
    ScriptSource* file = parse->missingIncludes.count(key) ? OpenScript(source, parse, path, "", 0)
                                                           : OpenScript(source, parse, path);
    if (!file) {
        return;
    }
    if (!file->opened && parse->missingIncludes.size() < size_t(kMostIncludeFiles)) {
        parse->missingIncludes.insert(key);
    }
    // The included file sees the constants made so far, and the ones it makes stay.
    file->TakeConstants(*source);
    ++parse->includeDepth;
    parse->openFiles.push_back(file);
    *included = ParseBlock(file, typedefs, parse, false);
    parse->openFiles.pop_back();
    --parse->includeDepth;
    source->TakeConstants(*file);
    delete file;
}

// Parses the top file of a parse, which `source` holds (null: it could not be made), and
// deletes it.
ScriptEntry* ParseTopFile(ScriptSource* source, ParseContext& parse, const char* path) {
    ScriptEntry* entries = nullptr;
    if (source) {
        parse.openFiles.push_back(source);
        ScriptEntry* typedefs = nullptr;
        entries = ParseBlock(source, &typedefs, &parse, false);
        DeleteTypedefsUntil(typedefs, nullptr, &parse);
        delete source;
    }
    // After a failure the last report held back is the one that says why.
    ScriptSource::ReportWithheld(&parse.reports, parse.error != 0);
    if (parse.error != 0) {
        LogPrintf("Parser: cant parse file '%s'\n", path);
        delete entries;
        return nullptr;
    }
    return entries;
}

// A parse reads files that nothing changes meanwhile: the folders it searches for names are
// read once (many missing includes in a big folder would read it again for each).
struct LookupSnapshot {
    LookupSnapshot() { WinPathBeginLookupSnapshot(); }
    ~LookupSnapshot() { WinPathEndLookupSnapshot(); }
    LookupSnapshot(const LookupSnapshot&) = delete;
    LookupSnapshot& operator=(const LookupSnapshot&) = delete;
};

} // namespace

ScriptEntry* ParseScriptFile(const char* path) {
    LookupSnapshot snapshot;
    ParseContext parse;
    return ParseTopFile(OpenScript(nullptr, &parse, path), parse, path);
}

ScriptEntry* ParseScriptBuffer(const char* name, const void* bytes, size_t size) {
    LookupSnapshot snapshot;
    ParseContext parse;
    return ParseTopFile(OpenScript(nullptr, &parse, name, bytes, size), parse, name);
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
            if (!Charge(source, parse, sizeof(ScriptValue))) {
                delete type;
                return;
            }
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
