// ferrox-script: parses a configuration file exactly as the launcher parses game.ini (from the
// working folder, with its include files) and says, compiler-style, what is wrong with it. It
// writes no log file of its own: the launcher's log text goes to --log FILE when asked for.
#include "diag/log.h"
#include "platform/win32.h"
#include "script/parser.h"
#include "tools/diagnostic.h"
#include "tools/file_identity.h"
#include "tools/lsp/stdio_session.h"
#include "tools/parse_watcher.h"
#include "tools/printable.h"
#include "tools/replace_file.h"
#include "tools/script_dump.h"
#include "tools/system_name.h"
#include "tools/tool_frame.h"
#include "vfs/vfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

enum Key { kStrict, kFormat, kLog };

const std::vector<Option> kOptions = {
    {"--strict", nullptr, OptionValue::kNone, kStrict},
    {"--format", nullptr, OptionValue::kJoined, kFormat},
    {"--log", nullptr, OptionValue::kGiven, kLog},
    kHelpOption,
    kVersionOption,
};

int Check(const ScriptEntry&) {
    return kExitOk; // the diagnostics are all it gives
}

int Dump(const ScriptEntry& entries) {
    std::fputs(DumpScript(&entries).c_str(), stdout);
    return kExitOk;
}

int Record(const ScriptEntry& entries) {
    _setmode(_fileno(stdout), _O_BINARY);
    entries.Write(stdout);
    return kExitOk;
}

const char kForm[] = "[OPTION]... %s FILE";

// Each verb runs on the entries once the parse gave them.
const std::vector<Verb<ScriptEntry>> kVerbs = {
    {{"check", kForm, "", "report what is wrong with FILE\n"}, Check, nullptr, nullptr},
    {{"dump", kForm, "",
      "print the entries as one configuration file that parses back to the same\n"
      "entries: FILE and its includes flattened into what the game sees\n"},
     Dump,
     nullptr,
     nullptr},
    {{"record", kForm, "", "write the entries to standard output as binary entry records\n"},
     Record,
     nullptr,
     nullptr},
    // Runs on no entries: a row without `run` reads no FILE.
    {{"lsp", "[OPTION]... %s", "",
      "serve the Language Server Protocol on standard input and output, checking\n"
      "each document the editor opens as check does\n"},
     nullptr,
     nullptr,
     nullptr},
};

const ToolText kTool = {
    "ferrox-script",
    FERROX_VERSION,
    "usage: ",
    "Parses FILE and its include files exactly as the launcher parses game.ini.\n",
    10,
    "options:\n"
    "  --strict             treat warnings as errors\n"
    "  --format=text|json   diagnostics as text (the default) or as one JSON document\n"
    "  --log=FILE           write the launcher's log text of the parse to FILE (not one\n"
    "                       that the parse reads)\n"
    "  -h, --help           show this help and exit\n"
    "  --version            show the version and exit\n"
    "Diagnostics go to standard error, in colour on a terminal unless NO_COLOR is set.\n"
    "exit status: 0 entries came back, 1 nothing came back or an error was reported\n"
    "             (with --strict also a warning), or an output could not be written,\n"
    "             2 usage error\n",
    "Try 'ferrox-script --help' for more.\n",
    true,
};

std::string& LogText() {
    static std::string text;
    return text;
}

bool ColourWanted() {
    if (std::getenv("NO_COLOR")) {
        return false;
    }
    HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return _isatty(_fileno(stderr)) && GetConsoleMode(console, &mode) &&
           SetConsoleMode(console, mode | 0x0004); // ENABLE_VIRTUAL_TERMINAL_PROCESSING
}

// Why a parse that reported no error gave no entries.
std::string WhyNothing(const char* path) {
    if (std::strlen(path) >= sizeof ScriptSource::path) {
        return "the path is longer than " + std::to_string(sizeof ScriptSource::path - 1) +
               " characters, more than the parser reads";
    }
    FILE* file = vfopen(path, "rb");
    if (!file) {
        return std::string("cannot open the file: ") + std::strerror(errno);
    }
    vfclose(file);
    ScriptSource source(path);
    if (source.size == 0) {
        return "the file is empty";
    }
    if (source.SkipBlanks() == -1) {
        return "the file holds no statements, only blanks and comments";
    }
    return "the file holds declarations only: no keyword is called, so no entry comes back";
}

struct Options {
    const Verb<ScriptEntry>* verb = nullptr;
    std::string file, logFile;
    bool strict = false, json = false;
};

Reading Apply(const Word& word, Options* options) {
    Reading answered;
    if (AnswerCommonOption(word, &answered)) {
        return answered;
    }
    bool refused = word.kind != Word::kOption ||
                   (word.key == kFormat && word.value != "text" && word.value != "json") ||
                   (word.key == kLog && word.value.empty());
    if (refused) {
        return Refuse("unknown option or missing value: '" + word.text + "'");
    }
    switch (word.key) {
    case kStrict:
        options->strict = true;
        break;
    case kFormat:
        options->json = word.value == "json";
        break;
    case kLog:
        options->logFile = word.value;
        break;
    }
    return Reading::kRun;
}

// Reads the options, the verb and the file, in any order.
Reading ReadOptions(int argc, char** argv, Options* options) {
    OptionReader reader(argc, argv, 1, kOptions);
    std::vector<std::string> operands;
    Reading reading =
        ReadWords(reader, &operands, [options](const Word& word) { return Apply(word, options); });
    if (reading != Reading::kRun) {
        return reading;
    }
    if (operands.empty()) {
        return Refuse("no command given");
    }
    options->verb = FindVerb(kVerbs, operands[0]);
    size_t wanted = options->verb && !options->verb->run ? 1 : 2;
    if (!options->verb || operands.size() != wanted) {
        return Refuse(wanted == 1 ? "lsp takes no FILE" : "expected a command and one FILE");
    }
    options->file = wanted == 2 ? operands[1] : "";
    return Reading::kRun;
}

// Parses the file as the launcher does, telling the watcher why when nothing comes back.
ScriptEntry* ParseWatched(const char* path, ParseWatcher& watcher) {
    Diagnostic nothing;
    nothing.file = path;
    std::error_code ignored;
    auto type = std::filesystem::status(path, ignored).type();
    if (type != std::filesystem::file_type::not_found &&
        type != std::filesystem::file_type::regular && type != std::filesystem::file_type::none) {
        // Opening a pipe or a device could wait for ever; a folder holds no text.
        nothing.message = type == std::filesystem::file_type::directory
                              ? "is a folder, not a file"
                              : "is not a regular file (a pipe, a device or a socket)";
        watcher.Add(nothing);
        return nullptr;
    }
    ScriptEntry* entries = ParseScriptFile(path);
    if (!entries && watcher.ParseFailed()) {
        watcher.ExplainFailure(path);
    } else if (!entries) {
        nothing.message = WhyNothing(path) + "; the launcher keeps its defaults";
        watcher.Add(nothing);
    }
    return entries;
}

void WriteDiagnostics(const ParseWatcher& watcher, const Options& options) {
    std::vector<Diagnostic> diagnostics = watcher.Diagnostics();
    for (Diagnostic& d : diagnostics) {
        if (options.strict && d.severity == Diagnostic::kWarning) {
            d.severity = Diagnostic::kError;
        }
    }
    if (options.json) {
        WriteDiagnosticsJson(stderr, diagnostics, watcher.NotShown());
    } else {
        WriteDiagnosticsText(stderr, diagnostics, watcher.NotShown(), ColourWanted());
    }
}

// The file of the parse that `name` names too, in any spelling or through a link, or "".
std::string ReadFileNamed(const std::string& name, const std::vector<std::string>& read) {
    std::optional<FileIdentity> target = IdentityOfPath(PathOfSystemName(name));
    if (!target) {
        return ""; // a new file, which no parse read
    }
    for (const std::string& path : read) {
        // Opened as the parse opens it, so that the same file is found.
        FILE* file = WinPathFopen(path.c_str(), "rb");
        std::optional<FileIdentity> identity = IdentityOfStream(file);
        if (file) {
            std::fclose(file);
        }
        if (identity && *identity == *target) {
            return path;
        }
    }
    return "";
}

// Why the log cannot replace the file `name`: it is one that the parse read, or no regular
// file (a folder, a pipe, a device); "" when it can.
std::string WhyNoLogThere(const std::string& name, const std::vector<std::string>& read) {
    std::string clash = ReadFileNamed(name, read);
    if (!clash.empty()) {
        return "it is '" + clash + "', which the parse reads";
    }
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(PathOfSystemName(name), error);
    return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)
               ? "is not a regular file"
               : "";
}

// Writes the log text to the file `name`, through a temporary that takes its name once whole.
bool WriteLogFile(const std::string& name, const std::vector<std::string>& read) {
    std::string failure = WhyNoLogThere(name, read);
    if (failure.empty()) {
        ReplacementFile log(PathOfSystemName(name));
        const std::string& text = LogText();
        bool written = log.File() &&
                       std::fwrite(text.data(), 1, text.size(), log.File()) == text.size() &&
                       log.Commit(true);
        failure = written ? "" : log.Error();
    }
    if (!failure.empty()) {
        std::fprintf(stderr, "ferrox-script: cannot write the log '%s': %s\n",
                     Printable(name).c_str(), Printable(failure).c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    BeginTool(kTool, kVerbs);
    Options options;
    Reading reading = ReadOptions(argc, argv, &options);
    if (reading != Reading::kRun) {
        return FinishTool(StatusOf(reading));
    }
    if (!options.verb->run) {
        return FinishTool(RunLanguageServer());
    }
    int status = kExitOk;
    LogToEchoHookOnly();
    SetLogEchoHook([](const char* message) { LogText() += message; });
    ScriptEntry* entries = nullptr;
    std::vector<std::string> filesRead;
    {
        ParseWatcher watcher;
        entries = ParseWatched(options.file.c_str(), watcher);
        WriteDiagnostics(watcher, options);
        bool failed = !entries || watcher.AnyError() || (options.strict && watcher.AnyWarning());
        // Diagnostics that did not reach their file (a full disk) leave a run that says nothing.
        failed = failed || std::fflush(stderr) != 0 || std::ferror(stderr);
        status = failed ? 1 : 0;
        filesRead = watcher.FilesStarted();
    }
    if (!options.logFile.empty() && !WriteLogFile(options.logFile, filesRead)) {
        status = 1;
    }
    if (status == kExitOk) {
        status = options.verb->run(*entries);
    }
    delete entries;
    return FinishTool(status);
}
