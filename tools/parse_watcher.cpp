#include "tools/parse_watcher.h"

#include "platform/win32.h"
#include "tools/nearest_name.h"
#include "tools/source_place.h"
#include "tools/source_scan.h"

#include <algorithm>
#include <cstring>

namespace {

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
        if (!parseFailed_) {
            WarnRepeatedSettings();
        }
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
        SettingGiven();
        break;
    case ParseEvent::kArgumentRead:
        argument_.reading = false;
        argument_.end = event.at;
        LintArgument();
        break;
    case ParseEvent::kValueCutOff:
        ValueCutOff(*event.source, event.at);
        break;
    case ParseEvent::kKeywordDeclared:
        Remember(keywords_, event);
        Declared(event);
        break;
    case ParseEvent::kConstDefined:
        Remember(constants_, event);
        break;
    case ParseEvent::kIncludeName:
        includeName_ = lastIncludeName_ = event.source;
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
        AddAt(source, 0, Diagnostic::kWarning, "byte-order-mark",
              "the file starts with a UTF-8 byte-order mark, which the parser reads as text; "
              "save it as UTF-8 without one");
    }
    const unsigned char* text = source.buffer;
    for (uint32_t at = 0; at < source.size; ++at) {
        if (text[at] == '\r' && (at + 1 == source.size || text[at + 1] != '\n')) {
            AddAt(source, at, Diagnostic::kWarning, "lone-carriage-return",
                  "a line ends in a carriage return alone; a '//' comment runs on to the next "
                  "line feed, so save the file with CR LF or LF line ends");
            break;
        }
    }
}

void ParseWatcher::FileEnded(const ScriptSource& source) {
    int64_t comment = errors_ == 0 ? UnclosedCommentAt(source.buffer, source.size) : -1;
    if (comment >= 0) {
        commentLeftOpen_ = true;
        AddAt(source, uint32_t(comment), Diagnostic::kWarning, "unclosed-comment",
              "a comment opened here is never closed: the game ignores everything after it");
    }
    files_.pop_back();
    lastIncludeName_ = lastIncludeName_ == &source ? nullptr : lastIncludeName_;
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
          "missing-include", "include file '" + std::string(path) + "' not found; it is skipped");
}

void ParseWatcher::BlockEnded(const ScriptSource& source, bool closed) {
    auto brace = files_.back().braces.back();
    files_.back().braces.pop_back();
    if (!closed && errors_ == 0) {
        AddAt(source, brace.first, Diagnostic::kWarning, "block-left-open",
              "the block opened in line " + std::to_string(brace.second) +
                  " is still open at the end of the file: every entry after its '{' becomes "
                  "its child",
              brace.second);
    }
}

void ParseWatcher::ValueCutOff(const ScriptSource& source, uint32_t at) {
    // In an include's name the include is skipped; in an argument the parse fails here.
    if (argument_.reading && argument_.source == &source && errors_ == 0) {
        failure_ = At(source, source.size, Diagnostic::kError, "value-cut-off",
                      "the file ends where " + ArgumentName(argument_) + " should be");
    } else if (at == includeNameStart_ && lastIncludeName_ == &source) {
        AddAt(source, includeNameStart_, Diagnostic::kWarning, "value-cut-off",
              "the file ends inside this include's name: the include is skipped");
    }
}

void ParseWatcher::Remember(KnownNames& known, const ParseEvent& event) {
    if (known.names.size() < kMostRemembered && known.names.insert(event.subject).second) {
        known.spellings[event.subject] = WrittenAt(*event.source, event.at, event.subject);
    }
}

void ParseWatcher::Reported(const ParseEvent& event) {
    const ScriptSource& source = *event.source;
    if (event.code == kReportFileNameTooLong) {
        return; // the tool's own error, made before the parse
    }
    const char* name = ScriptReportRowOf(event.code).name;
    if (includeName_ == &source && SkipsInclude(event.code)) {
        includeSkipped_ = true;
        Warn(source, includeNameStart_, name, event);
        return;
    }
    // A report about an argument points at the argument, where its text starts.
    bool inArgument = argument_.reading && argument_.source == &source;
    uint32_t at = inArgument ? argument_.start : event.at;
    if (ScriptReportRowOf(event.code).goesOn) {
        Warn(source, at, name, event);
        return;
    }
    if (stopped_) {
        // A report on the way out of a parse that failed already: the failure's consequence.
        Note(source, at, at, "the launcher's log says: " + std::string(event.message));
        return;
    }
    stopped_ = true;
    if (files_.size() == 1) {
        errorInTopFile_ = at;
    }
    std::string fault = Fault(event);
    AddAt(source, at, Diagnostic::kError, name, fault);
    AddNotes(event, at);
    if (fault != event.message) {
        Note(source, at, at, "the launcher's log says: " + std::string(event.message));
    }
}

void ParseWatcher::Warn(const ScriptSource& source, uint32_t at, const char* code,
                        const ParseEvent& event) {
    std::string fault = Fault(event);
    AddAt(source, at, Diagnostic::kWarning, code, fault);
    if (fault != event.message) {
        Note(source, at, at, "the launcher's log says: " + std::string(event.message));
    }
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
        std::string nearest = NearestName(_strlwr(&name[0]), constants_.names); // as kept
        if (!nearest.empty()) {
            Note(source, at, at, "did you mean '" + constants_.Spelled(nearest) + "'?");
        }
    }
    if (argument_.source == &source) {
        ArgumentNotes(event, at);
    }
    if ((event.code == kReportCallComma || event.code == kReportCallClosing) &&
        ArgumentIsOfCall(event)) {
        DeclarationNote(argument_.type->name);
    }
}

void ParseWatcher::Declared(const ParseEvent& event) {
    if (declarations_.size() >= kMostRemembered && !declarations_.count(event.subject)) {
        return;
    }
    std::string letters;
    for (const char* letter = event.detail; *letter; ++letter) {
        letters += std::string(letter == event.detail ? "" : ", ") + *letter;
    }
    // The name follows its '!'.
    uint32_t at =
        event.at > 0 && event.source->buffer[event.at - 1] == '!' ? event.at - 1 : event.at;
    Diagnostic note = At(*event.source, at, Diagnostic::kNote, "",
                         "declared here: !" + WrittenAt(*event.source, event.at, event.subject) +
                             "(" + letters + ")");
    note.includedFrom.clear();
    declarations_[event.subject] = std::move(note);
}

void ParseWatcher::DeclarationNote(const std::string& name) {
    auto found = declarations_.find(name);
    if (found != declarations_.end()) {
        Add(found->second);
    }
}

void ParseWatcher::KeywordNote(const ScriptSource& source, const std::string& name, uint32_t at) {
    if (name.empty()) {
        return; // the first line says what starts the statement
    }
    if (keywords_.names.count(name)) {
        Note(source, at, at,
             "'" + keywords_.Spelled(name) +
                 "' is declared, but not where this line can see it: a keyword holds after its "
                 "'!' line, and inside a block only up to its '}'");
    } else if (std::string nearest = NearestName(name, keywords_.names); !nearest.empty()) {
        Note(source, at, at, "did you mean '" + keywords_.Spelled(nearest) + "'?");
    } else {
        std::string written = WrittenAt(source, at, name);
        std::string declaration = DeclarationFor(source.buffer, source.size, at, written);
        Note(source, at, at,
             declaration.empty() ? "declare it before its first use: '!" + written +
                                       "(...)', with a letter for each argument: s, i or f"
                                 : "declare it before its first use: '" + declaration + "'");
    }
}

void ParseWatcher::ArgumentNotes(const ParseEvent& event, uint32_t at) {
    const ScriptSource& source = *event.source;
    int32_t written = LiteralKindAt(source.buffer, source.size, argument_.start);
    if (argument_.reading && event.code != kReportUnterminatedString) {
        DeclarationNote(argument_.type->name);
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

void ParseWatcher::Note(const ScriptSource& source, uint32_t place, uint32_t at,
                        const std::string& text) {
    if (droppingNotes_) {
        return;
    }
    Diagnostic note = At(source, place, Diagnostic::kNote, "", text);
    note.showLine = place != at;
    note.includedFrom.clear();
    Add(note);
}

int ParseWatcher::ArgumentNumber(const Argument& argument) {
    int number = 1;
    for (const ScriptValue* p = argument.type->values; p && p != argument.parameter; p = p->next) {
        ++number;
    }
    return number;
}

std::string ParseWatcher::ArgumentName(const Argument& argument) const {
    return "argument " + std::to_string(ArgumentNumber(argument)) + " of '" +
           keywords_.Spelled(argument.type->name) + "'";
}

Diagnostic ParseWatcher::At(const ScriptSource& source, uint32_t at, Diagnostic::Severity severity,
                            const char* code, const std::string& message, int32_t knownLine) const {
    SourcePlace place = PlaceInSource(source, at, knownLine);
    Diagnostic diagnostic;
    diagnostic.severity = severity;
    diagnostic.file = source.path;
    diagnostic.message = message;
    diagnostic.code = code;
    diagnostic.start = {place.line, place.column};
    diagnostic.end = {place.line, place.endColumn};
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
                         const char* code, const std::string& message, int32_t knownLine) {
    if (Full()) {
        Diagnostic counted;
        counted.severity = severity;
        Add(counted);
        return;
    }
    Add(At(source, at, severity, code, message, knownLine));
}

void ParseWatcher::Add(Diagnostic diagnostic) {
    if (diagnostic.severity == Diagnostic::kNote) {
        if (!droppingNotes_ && !shown_.empty()) {
            shown_.back().notes.push_back(std::move(diagnostic));
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
