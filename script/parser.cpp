#include "script/parser.h"
#include "vfs/file_name.h"

#include "diag/log.h"
#include "platform/win32.h"
#include "script/language.h"
#include "script/parse_events.h"
#include "vfs/vfile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

void Fail(ScriptSource* source, ParseContext* parse, ScriptReport code, uint32_t at,
          const char* subject = "") {
    source->Report(code, at, subject);
    parse->error = 1;
}

// Where the byte that GetChar returned as `c` lies: the end of the file when it returned -1.
uint32_t ReadAt(const ScriptSource* source, int c) {
    return c == -1 ? source->position : source->position - 1;
}

// Tells a watcher that the end of the file cut off the value that starts at `start`.
void NotifyCutOff(const ScriptSource* source, uint32_t start) {
    if (ParseEventsWatched()) {
        char word[32];
        size_t length = std::min<size_t>(source->size - start, sizeof word - 1);
        std::memcpy(word, source->buffer + start, length);
        word[length] = '\0';
        NotifyParseEvent({ParseEvent::kValueCutOff, source, start, kReportCodes, word});
    }
}

// Counts `bytes` more of entries and values made, for the text at `at`; false after a report
// when that is too many.
bool Charge(ScriptSource* source, ParseContext* parse, size_t bytes, uint32_t at) {
    if (bytes > kMostTreeBytes - parse->treeBytes) {
        Fail(source, parse, kReportTreeBytes, at);
        return false;
    }
    parse->treeBytes += uint32_t(bytes);
    return true;
}

ScriptValue* ParseLiteral(ScriptSource* source, int32_t kind, ParseContext* parse) {
    uint32_t start = source->position;
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
    if (parse->error == -1) {
        NotifyCutOff(source, start);
    }
    if (value && !Charge(source, parse, bytes, start)) {
        delete value;
        return nullptr;
    }
    return value;
}

// What _strlwr does to a name, eight bytes at a time. A name holds word bytes, all below 0x80,
// and zeros, so adding to a byte never carries into the next: the high bit of a byte plus
// 0x80 - 'A' tells that it is at least 'A', and of one plus 0x80 - 'Z' - 1 that it is past 'Z'.
// Whole words are stored, which the name's hash then reads back without a stall.
void LowerCase(PaddedName& name) {
    const uint64_t ones = 0x0101010101010101u;
    for (size_t at = 0; at < sizeof name; at += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, name + at, sizeof word);
        uint64_t upper =
            (word + ones * (0x80 - 'A')) & ~(word + ones * (0x80 - 'Z' - 1)) & ones * 0x80;
        word |= upper >> 2; // 0x20 where the byte is an upper-case letter
        std::memcpy(name + at, &word, sizeof word);
    }
}

// A new entry named by the word at the read position, lower-cased; null after a report of
// `nameError` (the name is too long or cut by the end of the file), of exhausted memory, or of
// the parse's bound on what it makes.
ScriptEntry* NewNamedEntry(ScriptSource* source, ParseContext* parse, ScriptReport nameError) {
    uint32_t start = source->position;
    ScriptEntry* entry = new (std::nothrow) ScriptEntry;
    if (!entry) {
        Fail(source, parse, kReportOutOfMemory, start);
        return nullptr;
    }
    if (source->ReadWord(entry->name, sizeof entry->name) != 0) {
        Fail(source, parse, nameError, start, entry->name);
        delete entry;
        return nullptr;
    }
    if (!Charge(source, parse, sizeof(ScriptEntry), start)) {
        delete entry;
        return nullptr;
    }
    LowerCase(entry->name);
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

// False, after a report about the name at `at`, when the parse may open no further include,
// or not this one: it is open already, so it would include itself without end.
bool MayInclude(ScriptSource* source, ParseContext* parse, const char* path, uint32_t at) {
    if (parse->includeDepth >= kMostNestedIncludes) {
        Fail(source, parse, kReportIncludesTooDeep, at, path);
        return false;
    }
    if (parse->includeFiles >= kMostIncludeFiles) {
        Fail(source, parse, kReportTooManyIncludes, at, path);
        return false;
    }
    for (int open = 0; open <= parse->includeDepth; ++open) {
        if (vfsamepath(parse->openFiles[open]->path, path)) {
            char chain[1024] = "";
            for (int file = open; file <= parse->includeDepth; ++file) {
                size_t used = std::strlen(chain);
                std::snprintf(chain + used, sizeof chain - used, "%s > ",
                              parse->openFiles[file]->path);
            }
            source->Report(kReportIncludeCycle, at, path, chain);
            parse->error = 1;
            return false;
        }
    }
    return true;
}

// Tells a watcher whether the file was found, and where.
void NotifyOpened(const ScriptSource* reporter, uint32_t at, const ScriptSource* file) {
    if (!file->opened || file->fromArchive) {
        NotifyParseEvent({file->opened ? ParseEvent::kFileFromArchive : ParseEvent::kFileMissing,
                          reporter ? reporter : file, reporter ? at : 0, kReportCodes, file->path});
    }
}

// The bytes of an include whose path a parse has found missing before: it reads as the empty
// file that a missing one gives, without a search of its folder.
const char kKnownMissing[] = "";

// The form in which a parse remembers a missing include's path, empty where memory for it is
// lacking: remembering is only a help, so a lack of memory means looking again.
std::string MissingKey(const char* path) {
    try {
        return FileName(path, NameForm::kLookup).c_str();
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

bool KnownMissing(const ParseContext& parse, const std::string& key) {
    return !key.empty() && parse.missingIncludes.count(key) != 0;
}

void RememberMissing(ParseContext* parse, const std::string& key) {
    try {
        if (!key.empty() && parse->missingIncludes.size() < size_t(kMostIncludeFiles)) {
            parse->missingIncludes.insert(key);
        }
    } catch (const std::bad_alloc&) {
    }
}

ScriptTextLookup textLookup = nullptr;
void* textLookupContext = nullptr;

// The bytes that a tool lends for the include `path`; null when it lends none.
const void* LentText(const char* path, size_t* size) {
    static const char kEmpty[] = "";
    const void* bytes = nullptr;
    if (!textLookup || !textLookup(path, &bytes, size, textLookupContext)) {
        return nullptr;
    }
    return bytes && *size > 0 ? bytes : kEmpty;
}

// A new source for a file of the parse, counted against its bounds; null after a report (made
// through `reporter` about its byte `at`, or through the new source itself when there is none).
ScriptSource* OpenScript(ScriptSource* reporter, uint32_t at, ParseContext* parse, const char* path,
                         const void* bytes = nullptr, size_t size = 0) {
    uint32_t mostBytes = kMostScriptBytes - parse->bytesRead;
    ScriptSource* file = bytes ? new (std::nothrow) ScriptSource(path, bytes, size, mostBytes)
                               : new (std::nothrow) ScriptSource(path, mostBytes);
    if (file && bytes == kKnownMissing) {
        file->opened = false;
    }
    if (!file) {
        if (reporter) {
            Fail(reporter, parse, kReportOutOfMemory, at);
        }
        return nullptr;
    }
    file->reportBudget = &parse->reports;
    if (file->tooLong) {
        Fail(reporter ? reporter : file, parse, kReportScriptBytes, reporter ? at : 0, path);
        delete file;
        return nullptr;
    }
    NotifyOpened(reporter, at, file);
    parse->bytesRead += file->size;
    return file;
}

// After "!include", with the byte after the name read: parses the named file beside the
// including one and hands back its entries.
void ParseInclude(ScriptSource* source, ParseContext* parse, int afterName, ScriptEntry** included,
                  ScriptEntry** typedefs) {
    if (afterName != '(') {
        Fail(source, parse, kReportIncludeOpening, ReadAt(source, afterName));
        return;
    }
    uint32_t nameAt = source->position;
    bool quoted = !source->AtEnd() && source->buffer[source->position] == '"';
    int32_t nameError = 0;
    NotifyParseEvent({ParseEvent::kIncludeName, source, nameAt});
    StringValue* name = source->ParseStringLiteral(&nameError);
    NotifyParseEvent({ParseEvent::kIncludeNameRead, source});
    if (nameError != 0 || !name) {
        delete name;
        if (nameError == -1) {
            NotifyCutOff(source, nameAt);
        }
        // A bad name skips the include, except a quoted name that the end of the file cut
        // short: it swallowed the rest of the file, so the parse cannot succeed.
        if (quoted && nameError == 1) {
            parse->error = 1;
        }
        return;
    }
    source->SkipBlanks();
    int closing = source->GetChar();
    if (closing != ')') {
        delete name;
        Fail(source, parse, kReportIncludeClosing, ReadAt(source, closing));
        return;
    }
    char path[256];
    const char* text = name->text ? name->text : "";
    bool fits = std::strlen(source->directory) + std::strlen(text) < sizeof path;
    std::snprintf(path, sizeof path, "%s%s", source->directory, text);
    delete name;
    if (!fits) {
        Fail(source, parse, kReportIncludePathTooLong, nameAt, path);
        return;
    }
    if (!MayInclude(source, parse, path, nameAt)) {
        return;
    }
    ++parse->includeFiles;
    std::string missingKey = MissingKey(path);
    size_t lentSize = 0;
    const void* lent = LentText(path, &lentSize);
    ScriptSource* file = lent ? OpenScript(source, nameAt, parse, path, lent, lentSize)
                         : KnownMissing(*parse, missingKey)
                             ? OpenScript(source, nameAt, parse, path, kKnownMissing, 0)
                             : OpenScript(source, nameAt, parse, path);
    if (!file) {
        return;
    }
    if (!file->opened) {
        RememberMissing(parse, missingKey);
    }
    // The included file sees the constants made so far, and the ones it makes stay.
    file->TakeConstants(*source);
    parse->openFiles[++parse->includeDepth] = file;
    *included = ParseBlock(file, typedefs, parse, false);
    --parse->includeDepth;
    source->TakeConstants(*file);
    delete file;
}

// Parses the top file of a parse, which `source` holds (null: it could not be made), and
// deletes it.
ScriptEntry* ParseTopFile(ScriptSource* source, ParseContext& parse, const char* path) {
    ScriptEntry* entries = nullptr;
    if (source) {
        parse.openFiles[0] = source;
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
        entries = nullptr;
    }
    ParseEvent ended{ParseEvent::kParseEnded, nullptr, 0, kReportCodes, path};
    ended.entries = entries;
    ended.failed = parse.error != 0;
    NotifyParseEvent(ended);
    return entries;
}

// Tells a watcher that a value of `parameter` of the call `type` is read next, or, without
// them, that the read is over, with the `value` read (null: none).
void NotifyArgument(const ScriptSource* source, const ScriptEntry* type,
                    const ScriptValue* parameter, const ScriptValue* value = nullptr) {
    if (ParseEventsWatched()) {
        ParseEvent argument{type ? ParseEvent::kArgument : ParseEvent::kArgumentRead, source,
                            source->position};
        argument.type = type;
        argument.parameter = parameter;
        argument.value = value;
        NotifyParseEvent(argument);
    }
}

// Tells a watcher that `constant`, named at `at`, is defined.
void NotifyDefined(const ScriptSource* source, uint32_t at, const ScriptEntry* constant) {
    if (ParseEventsWatched()) {
        ParseEvent defined{
            ParseEvent::kConstDefined,       source, at, kReportCodes, constant->name,
            KindName(constant->values->kind)};
        defined.value = constant->values;
        NotifyParseEvent(defined);
    }
}

// Tells a watcher that `type`, named at `at`, is declared.
void NotifyDeclared(const ScriptSource* source, uint32_t at, const ScriptEntry* type) {
    if (ParseEventsWatched()) {
        char letters[256];
        size_t count = 0;
        for (const ScriptValue* p = type->values; p && count + 1 < sizeof letters; p = p->next) {
            letters[count++] = KindLetter(p->kind);
        }
        letters[count] = '\0';
        ParseEvent declared{
            ParseEvent::kKeywordDeclared, source, at, kReportCodes, type->name, letters};
        declared.type = type;
        NotifyParseEvent(declared);
    }
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

void SetScriptTextLookup(ScriptTextLookup lookup, void* context) {
    textLookup = lookup;
    textLookupContext = lookup ? context : nullptr;
}

ScriptEntry* ParseScriptFile(const char* path) {
    LookupSnapshot snapshot;
    ParseContext parse;
    return ParseTopFile(OpenScript(nullptr, 0, &parse, path), parse, path);
}

ScriptEntry* ParseScriptBuffer(const char* name, const void* bytes, size_t size) {
    LookupSnapshot snapshot;
    ParseContext parse;
    return ParseTopFile(OpenScript(nullptr, 0, &parse, name, bytes, size), parse, name);
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
    if (ParseEventsWatched()) {
        NotifyParseEvent({nested ? ParseEvent::kBlockStarted : ParseEvent::kFileStarted, source,
                          nested ? source->position - 1 : 0});
    }
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
                Fail(source, parse, kReportStrayClosingBrace, source->position - 1);
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
                    Fail(source, parse, kReportBlocksTooDeep, source->position - 1);
                    break;
                }
                ++parse->openBlocks;
                entry->child = ParseBlock(source, &current, parse, true);
                --parse->openBlocks;
            } else if (after == ';') {
                source->Report(kReportSemicolon, source->position - 1); // the parse goes on
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
    if (ParseEventsWatched()) {
        ParseEvent ended{nested ? ParseEvent::kBlockEnded : ParseEvent::kFileEnded, source,
                         closed ? source->position - 1 : source->position};
        ended.closed = closed;
        NotifyParseEvent(ended);
    }
    return head;
}

ScriptEntry* ParseCall(ScriptSource* source, ParseContext* parse) {
    source->SkipBlanks();
    uint32_t nameAt = source->position;
    ScriptEntry* entry = NewNamedEntry(source, parse, kReportCallName);
    if (!entry) {
        return nullptr;
    }
    auto failWith = [&](ScriptReport code, int c) {
        Fail(source, parse, code, ReadAt(source, c));
        delete entry;
        return nullptr;
    };
    const ScriptEntry* type = parse->typedefs.Find(entry->name);
    if (!type) {
        Fail(source, parse, kReportUnknownKeyword, nameAt, entry->name);
        delete entry;
        return nullptr;
    }
    if (ParseEventsWatched()) {
        ParseEvent call{ParseEvent::kCall, source, nameAt, kReportCodes, entry->name};
        call.type = type;
        NotifyParseEvent(call);
    }
    source->SkipBlanks();
    int c = source->GetChar();
    if (c != '(') {
        return failWith(kReportCallOpening, c);
    }
    ScriptValue** tail = &entry->values;
    for (const ScriptValue* parameter = type->values; parameter; parameter = parameter->next) {
        source->SkipBlanks();
        NotifyArgument(source, type, parameter);
        ScriptValue* value = ParseLiteral(source, parameter->kind, parse);
        NotifyArgument(source, nullptr, nullptr, value);
        if (parse->error != 0) {
            delete value;
            delete entry;
            return nullptr;
        }
        if (!value) {
            Fail(source, parse, kReportOutOfMemory, source->position);
            delete entry;
            return nullptr;
        }
        *tail = value;
        tail = &value->next;
        if (parameter->next) {
            source->SkipBlanks();
            c = source->GetChar();
            if (c != ',') {
                return failWith(kReportCallComma, c);
            }
        }
    }
    source->SkipBlanks();
    c = source->GetChar();
    if (c != ')') {
        return failWith(kReportCallClosing, c);
    }
    return entry;
}

void ParseConstDef(ScriptSource* source, ParseContext* parse) {
    uint32_t nameAt = source->position;
    ScriptEntry* constant = NewNamedEntry(source, parse, kReportConstName);
    if (!constant) {
        return;
    }
    auto failWith = [&](ScriptReport code, int c) {
        Fail(source, parse, code, ReadAt(source, c));
        delete constant;
    };
    source->SkipBlanks();
    int opening = source->GetChar();
    if (opening != '(') {
        return failWith(kReportConstOpening, opening);
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
                    Fail(source, parse, kReportOutOfMemory, source->position);
                }
                return;
            }
        } else if (step == 2 && c == ')') {
            if (!source->AddConstant(constant)) {
                return failWith(kReportOutOfMemory, c);
            }
            NotifyDefined(source, nameAt, constant);
            return;
        } else {
            return failWith(kReportConstSyntax, c);
        }
    }
}

void ParseTypedef(ScriptSource* source, ParseContext* parse, ScriptEntry** included,
                  ScriptEntry** typedefs) {
    uint32_t nameAt = source->position;
    ScriptEntry* type = NewNamedEntry(source, parse, kReportTypedefName);
    if (!type) {
        return;
    }
    auto failWith = [&](ScriptReport code, int read) {
        Fail(source, parse, code, ReadAt(source, read));
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
        return failWith(kReportTypedefOpening, c);
    }
    // Kind letters separated by commas; no comma before the first or after the last.
    ScriptValue** tail = &type->values;
    bool kindAllowed = true, commaAllowed = false, closeAllowed = true;
    for (;;) {
        source->SkipBlanks();
        c = source->GetChar();
        if (kindAllowed && KindOfLetter(c) >= 0) {
            if (!Charge(source, parse, sizeof(ScriptValue), ReadAt(source, c))) {
                delete type;
                return;
            }
            ScriptValue* parameter = new (std::nothrow) ScriptValue(KindOfLetter(c));
            if (!parameter) {
                return failWith(kReportOutOfMemory, c);
            }
            *tail = parameter;
            tail = &parameter->next;
            kindAllowed = false;
            commaAllowed = closeAllowed = true;
        } else if (commaAllowed && c == ',') {
            kindAllowed = true;
            commaAllowed = closeAllowed = false;
        } else if (closeAllowed && c == ')') {
            if (!parse->typedefs.Push(type)) {
                return failWith(kReportOutOfMemory, c);
            }
            type->next = *typedefs;
            *typedefs = type;
            NotifyDeclared(source, nameAt, type);
            return;
        } else {
            return failWith(kReportTypedefSyntax, c);
        }
    }
}
