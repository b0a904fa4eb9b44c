#include "tools/parse_watcher.h"

#include "platform/win32.h"
#include "tools/nearest_name.h"
#include "tools/source_place.h"

#include <algorithm>
#include <cstring>

namespace {

const char* WantedKind(int32_t kind) {
    return kind == kIntKind ? "an integer" : kind == kFloatKind ? "a decimal number" : "a string";
}

// The reports about an include's name that skip the include: those about the name of a
// constant. A quoted name fails only where the end of the file cuts it, which ends the parse.
bool SkipsInclude(ScriptReport code) {
    return code == kReportUnknownConst || code == kReportConstKind || code == kReportWordTooLong;
}

} // namespace

ParseWatcher::ParseWatcher() {
    SetParseEventHook(&ParseWatcher::OnEvent, this);
}

ParseWatcher::~ParseWatcher() {
    SetParseEventHook(nullptr);
}

void ParseWatcher::OnEvent(const ParseEvent& event, void* context) {
    static_cast<ParseWatcher*>(context)->Watch(event);
}

void ParseWatcher::Watch(const ParseEvent& event) {
    switch (event.kind) {
    case ParseEvent::kParseEnded:
        parseFailed_ = event.failed;
        break;
    case ParseEvent::kFileStarted:
        FileStarted(*event.source);
        break;
    case ParseEvent::kFileEnded:
        FileEnded(*event.source);
        break;
    case ParseEvent::kFileMissing:
        FileMissing(*event.source, event.subject);
        break;
    case ParseEvent::kBlockStarted:
        // The '{' was just read, on the scanner's line.
        files_.back().braces.push_back({event.at, event.source->line});
        break;
    case ParseEvent::kBlockEnded:
        argument_ = Argument(); // the block's typedefs, which it points into, are gone
        BlockEnded(*event.source, event.closed);
        break;
    case ParseEvent::kArgument:
        argument_ = {event.source, event.type, event.parameter, event.at, 0, true};
        break;
    case ParseEvent::kArgumentRead:
        argument_.reading = false;
        argument_.end = event.at;
        break;
    case ParseEvent::kValueCutOff:
        ValueCutOff(*event.source);
        break;
    case ParseEvent::kKeywordDeclared:
        Remember(keywords_, event.subject);
        break;
    case ParseEvent::kConstDefined:
        Remember(constants_, event.subject);
        break;
    case ParseEvent::kIncludeName:
        includeName_ = event.source;
        includeNameStart_ = event.at;
        break;
    case ParseEvent::kIncludeNameRead:
        IncludeNameRead(*event.source);
        break;
    case ParseEvent::kReport:
        Reported(event);
        break;
    case ParseEvent::kFileFromArchive:
        break; // found, though not on the disk
    case ParseEvent::kCall:
        break; // its arguments tell what the diagnostics need
    }
}

void ParseWatcher::FileStarted(const ScriptSource& source) {
    filesStarted_.push_back(source.path);
    files_.push_back(
        {&source, source.path, files_.empty() ? 0 : int(files_.back().source->line), {}});
    if (source.size >= 3 && std::memcmp(source.buffer, "\xEF\xBB\xBF", 3) == 0) {
        AddAt(source, 0, Diagnostic::kWarning,
              "the file starts with a UTF-8 byte-order mark, which the parser reads as text; "
              "save it as UTF-8 without one");
    }
    const unsigned char* text = source.buffer;
    for (uint32_t at = 0; at < source.size; ++at) {
        if (text[at] == '\r' && (at + 1 == source.size || text[at + 1] != '\n')) {
            AddAt(source, at, Diagnostic::kWarning,
                  "a line ends in a carriage return alone; a '//' comment runs on to the next "
                  "line feed, so save the file with CR LF or LF line ends");
            break;
        }
    }
}

void ParseWatcher::FileEnded(const ScriptSource& source) {
    files_.pop_back();
    if (argument_.source == &source) {
        argument_ = Argument(); // the source goes, and another may take its address
    }
}

void ParseWatcher::FileMissing(const ScriptSource& includer, const char* path) {
    if (files_.empty()) {
        return; // the top file: the tool says why nothing came back
    }
    // The include statement was just read; the warning points at its end.
    AddAt(includer, includer.position > 0 ? includer.position - 1 : 0, Diagnostic::kWarning,
          "include file '" + std::string(path) + "' not found; it is skipped");
}

void ParseWatcher::BlockEnded(const ScriptSource& source, bool closed) {
    auto brace = files_.back().braces.back();
    files_.back().braces.pop_back();
    if (!closed && errors_ == 0) {
        AddAt(source, brace.first, Diagnostic::kWarning,
              "the block opened in line " + std::to_string(brace.second) +
                  " is still open at the end of the file: every entry after its '{' becomes "
                  "its child",
              brace.second);
    }
}

void ParseWatcher::ValueCutOff(const ScriptSource& source) {
    // In an include's name the include is skipped; in an argument the parse fails here.
    if (argument_.reading && argument_.source == &source && errors_ == 0) {
        failure_ = At(source, source.size, Diagnostic::kError,
                      "the file ends where " + ArgumentName(argument_) + " should be");
    }
}

void ParseWatcher::Remember(std::set<std::string>& names, const char* name) {
    if (names.size() < kMostRemembered) {
        names.insert(name);
    }
}

void ParseWatcher::Reported(const ParseEvent& event) {
    const ScriptSource& source = *event.source;
    if (event.code == kReportFileNameTooLong) {
        return; // the tool's own error, made before the parse
    }
    if (includeName_ == &source && SkipsInclude(event.code)) {
        includeSkipped_ = true;
        AddAt(source, includeNameStart_, Diagnostic::kWarning, event.message);
        return;
    }
    // A report about an argument points at the argument, where its text starts.
    bool inArgument = argument_.reading && argument_.source == &source;
    uint32_t at = inArgument ? argument_.start : event.at;
    if (ScriptReportRowOf(event.code).goesOn) {
        AddAt(source, at, Diagnostic::kWarning, event.message);
        return;
    }
    AddAt(source, at, Diagnostic::kError, event.message);
    AddNotes(event, at);
}

void ParseWatcher::IncludeNameRead(const ScriptSource& source) {
    if (includeSkipped_) {
        Note(source, source.position, includeNameStart_,
             "the include is skipped, and the parse goes on here");
    }
    includeName_ = nullptr;
    includeSkipped_ = false;
}

void ParseWatcher::AddNotes(const ParseEvent& event, uint32_t at) {
    const ScriptSource& source = *event.source;
    if (event.code == kReportUnknownKeyword) {
        KeywordNote(source, event.subject, at);
    } else if (event.code == kReportUnknownConst && *event.subject) {
        std::string name = event.subject;
        std::string nearest = NearestName(_strlwr(&name[0]), constants_); // as names are kept
        if (!nearest.empty()) {
            Note(source, at, at, "did you mean '" + nearest + "'?");
        }
    }
    if (argument_.source == &source) {
        ArgumentNotes(event, at);
    }
}

void ParseWatcher::KeywordNote(const ScriptSource& source, const std::string& name, uint32_t at) {
    if (name.empty() && at < source.size) {
        unsigned char c = source.buffer[at];
        char shown[32];
        std::snprintf(shown, sizeof shown, c > ' ' && c < 0x7F ? "'%c'" : "the byte 0x%02X", c);
        Note(source, at, at, "a statement starts with a keyword, not with " + std::string(shown));
    } else if (keywords_.count(name)) {
        Note(source, at, at,
             "'" + name +
                 "' is declared, but not where this line can see it: a keyword holds after its "
                 "'!' line, and inside a block only up to its '}'");
    } else if (!name.empty()) {
        std::string nearest = NearestName(name, keywords_);
        if (!nearest.empty()) {
            Note(source, at, at, "did you mean '" + nearest + "'?");
        }
    }
}

void ParseWatcher::ArgumentNotes(const ParseEvent& event, uint32_t at) {
    const ScriptSource& source = *event.source;
    int32_t written = LiteralKindAt(source.buffer, source.size, argument_.start);
    if (argument_.reading) {
        KindNote(event, written, at);
    }
    // A string whose closing quote is missing takes in the next line, and the fault shows there.
    const unsigned char* text = source.buffer;
    uint32_t end = argument_.reading ? source.position : argument_.end;
    if (argument_.parameter->kind == kStringKind && written == kStringKind &&
        std::any_of(text + argument_.start, text + end, IsLineEndByte) &&
        std::none_of(text + end, text + source.position, IsLineEndByte)) {
        Note(source, argument_.start, at,
             "the string of " + ArgumentName(argument_) +
                 " runs over a line end from here: is its closing quote missing?");
    }
}

void ParseWatcher::KindNote(const ParseEvent& event, int32_t written, uint32_t at) {
    std::string what = written < 0 ? "" : WantedKind(written);
    const ScriptEntry* constant =
        event.code == kReportConstKind ? event.source->FindConst(event.subject) : nullptr;
    if (constant && constant->values) {
        written = constant->values->kind;
        what = "the constant '" + std::string(event.subject) + "', " + WantedKind(written);
    }
    int32_t wanted = argument_.parameter->kind;
    if (written < 0 || written == wanted) {
        return;
    }
    std::string declaration = "!" + std::string(argument_.type->name) + "(";
    for (const ScriptValue* p = argument_.type->values; p; p = p->next) {
        declaration += p == argument_.type->values ? "" : ", ";
        declaration += KindLetter(p->kind);
    }
    Note(*event.source, at, at,
         ArgumentName(argument_) + " is " + what + "; '" + declaration + ")' wants " +
             WantedKind(wanted));
}

void ParseWatcher::Note(const ScriptSource& source, uint32_t place, uint32_t at,
                        const std::string& text) {
    if (droppingNotes_) {
        return;
    }
    Diagnostic note = At(source, place, Diagnostic::kNote, text);
    note.showLine = place != at;
    note.includedFrom.clear();
    Add(note);
}

std::string ParseWatcher::ArgumentName(const Argument& argument) const {
    int number = 1;
    for (const ScriptValue* p = argument.type->values; p && p != argument.parameter; p = p->next) {
        ++number;
    }
    return "argument " + std::to_string(number) + " of '" + argument.type->name + "'";
}

Diagnostic ParseWatcher::At(const ScriptSource& source, uint32_t at, Diagnostic::Severity severity,
                            const std::string& message, int32_t knownLine) const {
    SourcePlace place = PlaceInSource(source, at, knownLine);
    Diagnostic diagnostic;
    diagnostic.severity = severity;
    diagnostic.file = source.path;
    diagnostic.message = message;
    diagnostic.line = place.line;
    diagnostic.column = place.column;
    diagnostic.showLine = true;
    diagnostic.lineText = std::move(place.lineText);
    for (size_t i = files_.size(); i-- > 1;) {
        if (files_[i].source == &source) {
            for (size_t j = i; j > 0; --j) {
                diagnostic.includedFrom.push_back({files_[j - 1].path, files_[j].includeLine});
            }
            break;
        }
    }
    return diagnostic;
}

void ParseWatcher::AddAt(const ScriptSource& source, uint32_t at, Diagnostic::Severity severity,
                         const std::string& message, int32_t knownLine) {
    if (Full()) {
        Diagnostic counted;
        counted.severity = severity;
        Add(counted);
        return;
    }
    Add(At(source, at, severity, message, knownLine));
}

void ParseWatcher::Add(Diagnostic diagnostic) {
    if (diagnostic.severity == Diagnostic::kNote) {
        if (!droppingNotes_) {
            shown_.push_back(std::move(diagnostic));
        }
        return;
    }
    ++(diagnostic.severity == Diagnostic::kError ? errors_ : warnings_);
    droppingNotes_ = Full();
    if (droppingNotes_) {
        ++notShown_;
        return;
    }
    ++shownCount_;
    shown_.push_back(std::move(diagnostic));
}

void ParseWatcher::ExplainFailure(const char* topPath) {
    if (errors_ > 0) {
        return;
    }
    if (failure_.file.empty()) {
        failure_.file = topPath;
        failure_.message = "the parse failed at the end of a file, in the middle of a statement "
                           "(a value cut off by the end of the file)";
    }
    Add(failure_);
}
