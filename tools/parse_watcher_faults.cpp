// The first line of an error, in the modder's terms: what is wrong, rather than what the
// parser expected next. The parser's own text stays as a note and in the log.
#include "tools/parse_watcher.h"

#include "platform/win32.h"
#include "tools/nearest_name.h"
#include "tools/source_place.h"
#include "tools/source_scan.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

const char* KindWords(int32_t kind) {
    return kind == kIntKind ? "an integer" : kind == kFloatKind ? "a decimal number" : "a string";
}

std::string Arguments(int count) {
    return std::to_string(count) + (count == 1 ? " argument" : " arguments");
}

// A byte as a message names it.
std::string Shown(int c) {
    char shown[32];
    std::snprintf(shown, sizeof shown, c > ' ' && c < 0x7F ? "'%c'" : "the byte 0x%02X", c);
    return shown;
}

// The word that ends before `at`, blanks between them skipped: a call's name as written.
std::string WordBefore(const unsigned char* bytes, uint32_t at) {
    uint32_t end = at;
    while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\t')) {
        --end;
    }
    uint32_t start = end;
    while (start > 0 && (std::isalnum(bytes[start - 1]) || bytes[start - 1] == '_')) {
        --start;
    }
    return std::string(reinterpret_cast<const char*>(bytes) + start, end - start);
}

int ParameterCount(const ScriptEntry& type) {
    int count = 0;
    for (const ScriptValue* p = type.values; p; p = p->next) {
        ++count;
    }
    return count;
}

} // namespace

std::string ParseWatcher::Fault(const ParseEvent& event) const {
    const ScriptSource& source = *event.source;
    switch (event.code) {
    case kReportUnknownConst:
    case kReportConstKind:
    case kReportExpectedNumber:
    case kReportIntTermination:
    case kReportFloatTermination:
        return argument_.reading && argument_.source == &source ? ArgumentFault(event)
                                                                : event.message;
    case kReportUnterminatedString:
        return "the string opened here is never closed: the file ends inside it";
    case kReportWordTooLong:
        return "names are at most 31 characters; this one has " +
               std::to_string(WordLength(source.buffer, source.size, event.at));
    case kReportUnknownKeyword:
        return *event.subject
                   ? "keyword '" + WrittenAt(source, event.at, event.subject) +
                         "' is not declared" + (keywords_.names.count(event.subject) ? " here" : "")
                   : StatementStartFault(source, event.at);
    case kReportCallOpening:
        return "a '(' must follow '" + WordBefore(source.buffer, event.at) + "'";
    case kReportCallComma:
    case kReportCallClosing:
        return CallFault(event);
    default:
        return event.message;
    }
}

std::string ParseWatcher::ArgumentFault(const ParseEvent& event) const {
    const ScriptSource& source = *event.source;
    const unsigned char* bytes = source.buffer;
    uint32_t start = argument_.start;
    int32_t wanted = argument_.parameter->kind;
    std::string must = ArgumentName(argument_) + " must be " + KindWords(wanted);
    const ScriptEntry* constant =
        event.code == kReportConstKind ? source.FindConst(event.subject) : nullptr;
    if (constant && constant->values) {
        return must + ", but the constant '" + event.subject + "' is " +
               KindWords(constant->values->kind);
    }
    int32_t written = LiteralKindAt(bytes, source.size, start);
    if (written >= 0 && written != wanted) {
        return must + ", not " + KindWords(written);
    }
    int c = start < source.size ? bytes[start] : -1;
    if (c == '+') {
        return "numbers take no leading '+'";
    }
    if (c == ',' || c == ')') {
        return ArgumentName(argument_) + " is empty";
    }
    if (c == '\'') {
        return "a string is written in double quotes, not single ones";
    }
    if (event.code == kReportUnknownConst && *event.subject) {
        std::string no = "'" + std::string(event.subject) + "' is no constant defined before it";
        std::string name = event.subject;
        bool nearConstant = !NearestName(_strlwr(&name[0]), constants_.names).empty();
        return wanted != kStringKind ? must + "; " + no
               : nearConstant        ? no
                                     : no + ": a string is written in double quotes";
    }
    if (event.code == kReportExpectedNumber) {
        return must + ": a '-' is followed by no digit";
    }
    if (event.code == kReportIntTermination || event.code == kReportFloatTermination) {
        return must + ": " + Shown(event.at < source.size ? bytes[event.at] : -1) +
               " cannot follow its digits";
    }
    return event.message;
}

std::string ParseWatcher::StatementStartFault(const ScriptSource& source, uint32_t at) const {
    int c = at < source.size ? source.buffer[at] : -1;
    if (c == ';' || c == '#') {
        return "';' and '#' start no comment here: comments are // and /* */";
    }
    if (c == '[') {
        return "sections such as '[Game]' are not part of this language: a statement calls a "
               "declared keyword, and comments are // and /* */";
    }
    return c == -1 ? std::string("the file ends where a statement should be")
                   : "a statement starts with a keyword, not with " + Shown(c);
}

bool ParseWatcher::ArgumentIsOfCall(const ParseEvent& event) const {
    // The argument read last belongs to the call being read when nothing but blanks lies
    // between it and the culprit: no ')' of an earlier call.
    const unsigned char* bytes = event.source->buffer;
    return argument_.source == event.source && !argument_.reading && argument_.type &&
           argument_.end <= event.at &&
           std::find(bytes + argument_.end, bytes + event.at, ')') == bytes + event.at;
}

std::string ParseWatcher::CallFault(const ParseEvent& event) const {
    if (!ArgumentIsOfCall(event)) {
        return event.message;
    }
    const ScriptSource& source = *event.source;
    const ScriptEntry& type = *argument_.type;
    std::string name = "'" + keywords_.Spelled(type.name) + "'";
    int c = event.at < source.size ? source.buffer[event.at] : -1;
    int taken = ParameterCount(type);
    std::string takes = name + " takes " + Arguments(taken) + ", this call gives ";
    if (c == -1) {
        return "the file ends inside the call of " + name;
    }
    if (event.code == kReportCallComma && c == ')') {
        return takes + std::to_string(ArgumentNumber(argument_));
    }
    if (event.code == kReportCallClosing && c == ',') {
        int more = ArgumentsAfter(source.buffer, source.size, event.at);
        return takes + (more > 0 ? std::to_string(taken + more) : "more");
    }
    return event.code == kReportCallComma ? "a ',' must follow " + ArgumentName(argument_)
                                          : "a ')' must close the call of " + name + " after its " +
                                                (taken == 1 ? "argument" : Arguments(taken));
}
