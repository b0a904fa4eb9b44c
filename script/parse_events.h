// What a parse shows a tool that watches it: each file and block as it starts and ends, each
// argument and include name as it is read, and each report. The launcher installs no hook, so a
// parse costs one test of a null pointer per event and behaves exactly as without one. The hook is
// called on the thread that parses.
#pragma once

#include "script/entry.h"

class ScriptSource;

struct ParseEvent {
    enum Kind {
        kFileStarted,     // a file (the top one or an include) is about to be parsed
        kFileEnded,       // its parse is over; the source still holds its bytes
        kBlockStarted,    // just after a '{'
        kBlockEnded,      // `closed`: its '}' ended it, rather than the end of the file or an error
        kArgument,        // a value of `parameter` of the call `type` is read next
        kArgumentRead,    // that read is over, with or without a value
        kIncludeName,     // an include's file name is read next; a report about it skips the
                          // include and the parse goes on, unless a quoted name is cut off
        kIncludeNameRead, // that read is over
        kReport,          // `message` went to ReportError
    };
    Kind kind;
    const ScriptSource* source;
    const char* message = nullptr;
    const ScriptEntry* type = nullptr;
    const ScriptValue* parameter = nullptr;
    bool closed = false;
};

typedef void (*ParseEventHook)(const ParseEvent& event);
// Installs the hook (null removes it); a parse must not be running.
void SetParseEventHook(ParseEventHook hook);

// Inline, so that a parse without a hook pays a test of a pointer per event and nothing more.
extern ParseEventHook installedParseEventHook;
inline void NotifyParseEvent(const ParseEvent& event) {
    if (installedParseEventHook) {
        installedParseEventHook(event);
    }
}
