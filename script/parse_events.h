// What a parse shows a tool that watches it: each file and block as it starts and ends, each
// argument and include name as it is read, each report with its code, and what the log does not
// tell: which files were missing or came from an archive, which value the end of a file cut off,
// what each declaration declared and how the parse ended. The launcher installs no hook, so a parse
// costs one test of a null pointer per event and behaves exactly as without one. The hook is called
// on the thread that parses, with the context it was installed with.
#pragma once

#include "script/entry.h"
#include "script/reports.h"

#include <cstdint>

class ScriptSource;

struct ParseEvent {
    enum Kind {
        kFileStarted,     // a file (the top one or an include) is about to be parsed
        kFileEnded,       // its parse is over; the source still holds its bytes
        kBlockStarted,    // just after a '{', which is at `at`
        kBlockEnded,      // `closed`: its '}', at `at`, ended it, rather than the end of the
                          // file or an error
        kArgument,        // a value of `parameter` of the call `type`, at `at`, is read next
        kCall,            // the keyword `subject`, at `at`, declared by `type`, is called
        kArgumentRead,    // that read is over, with or without a value (`value`)
        kIncludeName,     // an include's file name, at `at`, is read next; a report about it
                          // skips the include and the parse goes on, unless a quoted name is
                          // cut off
        kIncludeNameRead, // that read is over
        kReport,          // `message`, the text of `code`, went to ReportError
        kFileMissing,     // the file `subject` cannot be read: it is parsed as empty
        kFileFromArchive, // the file `subject` is read from a mounted archive
        kValueCutOff,     // the end of the file cut off the value `subject` at `at`, with no
                          // report: in an include's name the include is skipped, elsewhere
                          // the parse fails
        kKeywordDeclared, // `type` declares the keyword `subject`, at `at`; `detail` holds
                          // its kind letters (the first 255)
        kConstDefined,    // the constant `subject`, at `at`, stands for `value` of the kind
                          // named `detail`
        kParseEnded,      // `entries` are the parse's result; `failed`: it failed
    };
    Kind kind;
    // The file being read; for kFileMissing and kFileFromArchive of an include, the including
    // one. Null for kParseEnded, when every file is gone.
    const ScriptSource* source;
    uint32_t at = 0; // a byte offset in the source
    ScriptReport code = kReportCodes;
    const char* subject = ""; // the word or path concerned
    const char* detail = "";
    const char* message = nullptr;
    const ScriptEntry* type = nullptr;
    const ScriptValue* parameter = nullptr;
    const ScriptValue* value = nullptr;
    const ScriptEntry* entries = nullptr;
    bool closed = false;
    bool failed = false;
};

typedef void (*ParseEventHook)(const ParseEvent& event, void* context);
// Installs the hook and the context it is called with (a null hook removes it); a parse must
// not be running.
void SetParseEventHook(ParseEventHook hook, void* context = nullptr);

// Inline, so that a parse without a hook pays a test of a pointer per event and nothing more.
extern ParseEventHook installedParseEventHook;
extern void* installedParseEventContext;
inline bool ParseEventsWatched() {
    return installedParseEventHook != nullptr;
}
inline void NotifyParseEvent(const ParseEvent& event) {
    if (installedParseEventHook) {
        installedParseEventHook(event, installedParseEventContext);
    }
}
