#include "tools/script_check.h"

#include "diag/log.h"
#include "script/parser.h"
#include "tools/parse_watcher.h"
#include "tools/read_on.h"
#include "vfs/vfile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

std::string& LogText() {
    static std::string text;
    return text;
}

// Why a parse that reported no error gave no entries.
std::string WhyNothing(const std::string& path, const std::optional<std::string>& text,
                       bool commentLeftOpen) {
    if (path.size() >= sizeof ScriptSource::path) {
        return "the path is longer than " + std::to_string(sizeof ScriptSource::path - 1) +
               " characters, more than the parser reads";
    }
    if (!text) {
        FILE* file = vfopen(path.c_str(), "rb");
        if (!file) {
            return std::string("cannot open the file: ") + std::strerror(errno);
        }
        vfclose(file);
    }
    std::unique_ptr<ScriptSource> source(
        text ? new ScriptSource(path.c_str(), text->data(), text->size())
             : new ScriptSource(path.c_str()));
    if (source->size == 0) {
        return "the file is empty";
    }
    if (source->SkipBlanks() == -1) {
        return "the file holds no statements, only blanks and comments";
    }
    return commentLeftOpen ? "no keyword is called before the comment that is never closed"
                           : "the file holds declarations only: no keyword is called, so no "
                             "entry comes back";
}

// Why a path names nothing a parse may open: a folder, a pipe or a device; "" when it may.
std::string WhyNoFile(const std::string& path) {
    std::error_code ignored;
    auto type = std::filesystem::status(path, ignored).type();
    if (type == std::filesystem::file_type::not_found ||
        type == std::filesystem::file_type::regular || type == std::filesystem::file_type::none) {
        return "";
    }
    // Opening a pipe or a device could wait for ever; a folder holds no text.
    return type == std::filesystem::file_type::directory
               ? "is a folder, not a file"
               : "is not a regular file (a pipe, a device or a socket)";
}

// Parses as the launcher does, telling the watcher why when nothing comes back.
ScriptEntry* ParseWatched(const std::string& path, const std::optional<std::string>& text,
                          ParseWatcher& watcher) {
    Diagnostic nothing;
    nothing.file = path;
    nothing.message = text ? "" : WhyNoFile(path);
    if (!nothing.message.empty()) {
        nothing.code = "not-a-file";
        watcher.Add(nothing);
        return nullptr;
    }
    ScriptEntry* entries = text ? ParseScriptBuffer(path.c_str(), text->data(), text->size())
                                : ParseScriptFile(path.c_str());
    if (!entries && watcher.ParseFailed()) {
        watcher.ExplainFailure(path.c_str());
    } else if (!entries) {
        nothing.code = "no-entries";
        nothing.message =
            WhyNothing(path, text, watcher.CommentLeftOpen()) + "; the launcher keeps its defaults";
        watcher.Add(nothing);
    }
    return entries;
}

// The bytes of the file as the parse reads them, from the disk or an archive.
std::string TextOf(const std::string& path) {
    ScriptSource source(path.c_str());
    return std::string(reinterpret_cast<const char*>(source.buffer), source.size);
}

// A note under the error that ended the game's parse, the first of `diagnostics`.
void MarkWhereTheGameStops(std::vector<Diagnostic>* diagnostics) {
    for (Diagnostic& d : *diagnostics) {
        if (d.severity == Diagnostic::kError) {
            Diagnostic note;
            note.severity = Diagnostic::kNote;
            note.file = d.file;
            note.start = d.start;
            note.end = d.end;
            note.message = "the game reads no further; what follows is found by reading on as "
                           "if this statement were deleted";
            d.notes.insert(d.notes.begin(), note);
            return;
        }
    }
}

} // namespace

CheckResult CheckScript(const std::string& path, const std::optional<std::string>& text,
                        const CheckOptions& options) {
    LogToEchoHookOnly();
    LogText().clear();
    SetLogEchoHook([](const char* message) { LogText() += message; });
    CheckResult result;
    std::optional<uint32_t> errorAt;
    {
        ParseWatcher watcher;
        result.entries.reset(ParseWatched(path, text, watcher));
        result.diagnostics = watcher.Diagnostics();
        result.notShown = watcher.NotShown();
        result.filesRead = watcher.FilesStarted();
        result.spellings = watcher.KeywordSpellings();
        result.failed =
            !result.entries || watcher.AnyError() || (options.strict && watcher.AnyWarning());
        errorAt = watcher.ErrorInTopFile();
    }
    result.logText = std::move(LogText()); // the game's one parse, and not the readings on
    if (errorAt) {
        std::vector<Diagnostic> later =
            ReadOnPastErrors(path, text ? *text : TextOf(path), *errorAt);
        if (!later.empty()) {
            MarkWhereTheGameStops(&result.diagnostics);
            result.diagnostics.insert(result.diagnostics.end(), later.begin(), later.end());
        }
    }
    SetLogEchoHook(nullptr);
    LogText().clear();
    if (options.strict) {
        for (Diagnostic& d : result.diagnostics) {
            d.severity = d.severity == Diagnostic::kWarning ? Diagnostic::kError : d.severity;
        }
    }
    return result;
}
