// Watches one parse through the parser's event hook and turns what it sees into diagnostics:
// the parser's own reports, placed at a line and column, with notes where a report alone
// misleads, and warnings about what the launcher accepts without a word (lint).
#pragma once

#include "script/parse_events.h"
#include "script/source.h"
#include "tools/diagnostic.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class ParseWatcher {
public:
    ParseWatcher();  // installs the hook; one watcher at a time
    ~ParseWatcher(); // removes it
    ParseWatcher(const ParseWatcher&) = delete;
    ParseWatcher& operator=(const ParseWatcher&) = delete;

    // Adds a diagnostic of the tool's own; a note goes under the diagnostic added last. Past a cap,
    // errors and warnings are only counted, and their notes dropped, so that a file of a million
    // warnings costs no more to show.
    void Add(Diagnostic diagnostic);
    // The parse failed. When no report said why, says where it stopped, as well as it can.
    void ExplainFailure(const char* topPath);

    // The parse ended in failure, as it said at its end.
    bool ParseFailed() const { return parseFailed_; }
    const std::vector<Diagnostic>& Diagnostics() const { return shown_; }
    long NotShown() const { return notShown_; }
    bool AnyError() const { return errors_ > 0; }
    bool AnyWarning() const { return warnings_ > 0; }
    // Where, in the top file, the error that ended the parse lies; none when it lies in an
    // include file or no report ended the parse.
    std::optional<uint32_t> ErrorInTopFile() const { return errorInTopFile_; }
    // A block comment of some file is never closed.
    bool CommentLeftOpen() const { return commentLeftOpen_; }
    // The paths of the files the parse started, as it named them: the top file and includes.
    const std::vector<std::string>& FilesStarted() const { return filesStarted_; }
    // Each keyword declared, lower-cased, with the spelling of its first declaration.
    const std::map<std::string, std::string>& KeywordSpellings() const {
        return keywords_.spellings;
    }

private:
    // Names declared or defined so far, lower-cased as the parser keeps them, each with the
    // spelling of its first declaration, which diagnostics and the dump show.
    struct KnownNames {
        std::set<std::string> names;
        std::map<std::string, std::string> spellings;
        std::string Spelled(const std::string& name) const {
            auto found = spellings.find(name);
            return found == spellings.end() ? name : found->second;
        }
    };
    struct OpenFile {
        const ScriptSource* source;
        std::string path;
        int includeLine; // the line of the include statement in the file below, 0 for the top
        std::vector<std::pair<uint32_t, int32_t>> braces; // open blocks: '{' offset and line
    };
    struct Argument {
        const ScriptSource* source = nullptr; // null: none
        const ScriptEntry* type = nullptr;
        const ScriptValue* parameter = nullptr;
        uint32_t start = 0, end = 0;
        bool reading = false;
    };

    static void OnEvent(const ParseEvent& event, void* context);
    void Watch(const ParseEvent& event);
    void FileStarted(const ScriptSource& source);
    void FileEnded(const ScriptSource& source);
    void FileMissing(const ScriptSource& includer, const char* path);
    void BlockEnded(const ScriptSource& source, bool closed);
    void ValueCutOff(const ScriptSource& source, uint32_t at);
    void Remember(KnownNames& known, const ParseEvent& event);
    void Reported(const ParseEvent& event);
    void IncludeNameRead(const ScriptSource& source);
    // A report after which the parse goes on, as a warning.
    void Warn(const ScriptSource& source, uint32_t at, const char* code, const ParseEvent& event);
    void AddNotes(const ParseEvent& event, uint32_t at);
    void KeywordNote(const ScriptSource& source, const std::string& name, uint32_t at);
    void ArgumentNotes(const ParseEvent& event, uint32_t at);
    void Declared(const ParseEvent& event);
    // Lint (parse_watcher_lint.cpp): what the game reads otherwise than the text seems to say.
    void LintArgument();
    void SettingGiven(); // a call of one of the launcher's settings, at the top level
    void WarnRepeatedSettings();
    // Where the keyword `name` was declared, as a note below the diagnostic added last.
    void DeclarationNote(const std::string& name);
    // What an error report means, in the modder's terms (parse_watcher_faults.cpp).
    std::string Fault(const ParseEvent& event) const;
    std::string ArgumentFault(const ParseEvent& event) const;
    std::string StatementStartFault(const ScriptSource& source, uint32_t at) const;
    std::string CallFault(const ParseEvent& event) const;
    // The argument read last is one of the call that the report is about.
    bool ArgumentIsOfCall(const ParseEvent& event) const;
    // A note about byte `place` of the source, below a report about byte `at`.
    void Note(const ScriptSource& source, uint32_t place, uint32_t at, const std::string& text);
    std::string ArgumentName(const Argument& argument) const;
    static int ArgumentNumber(const Argument& argument);
    // A diagnostic at byte `at` of the source (at most its size), with its include chain; the
    // line is counted unless it is known.
    Diagnostic At(const ScriptSource& source, uint32_t at, Diagnostic::Severity severity,
                  const char* code, const std::string& message, int32_t knownLine = 0) const;
    // Adds that diagnostic, placed only when it will be shown.
    void AddAt(const ScriptSource& source, uint32_t at, Diagnostic::Severity severity,
               const char* code, const std::string& message, int32_t knownLine = 0);
    bool Full() const { return shownCount_ >= kMostShown; }

    static const long kMostShown = 50;
    // Names that "did you mean" weighs, so that a file of a million names costs no more.
    static const size_t kMostRemembered = 10000;
    std::vector<OpenFile> files_; // the file being parsed on top, its includers below
    Argument argument_;           // the argument read last
    // The include name being read: its source (null: none), where it starts, and whether a
    // report about it skipped the include.
    const ScriptSource* includeName_ = nullptr;
    uint32_t includeNameStart_ = 0;
    bool includeSkipped_ = false;
    const ScriptSource* lastIncludeName_ = nullptr; // the source of the include name read last
    KnownNames keywords_, constants_;
    std::map<std::string, Diagnostic> declarations_; // the latest of each keyword, as a note
    bool commentLeftOpen_ = false;
    // Each of the launcher's settings given at the top level: where first and last, how often.
    struct Setting {
        Diagnostic first, last;
        long count = 0;
    };
    std::map<std::string, Setting> settings_;
    std::vector<std::string> filesStarted_; // bounded by the parse's bound on include files
    std::vector<Diagnostic> shown_;
    long notShown_ = 0, shownCount_ = 0, errors_ = 0, warnings_ = 0;
    bool droppingNotes_ = false;
    bool parseFailed_ = false;
    bool stopped_ = false; // the parse reported an error, after which it reads no further
    std::optional<uint32_t> errorInTopFile_;
    Diagnostic failure_; // where a value ran into the end of a file, without a report
};
