// ferrox-script: parses a configuration file exactly as the launcher parses game.ini (from the
// working folder, with its include files) and says, compiler-style, what is wrong with it. It
// writes no log file of its own: the launcher's log text goes to --log FILE when asked for.
#include "diag/log.h"
#include "platform/win32.h"
#include "script/parser.h"
#include "tools/diagnostic.h"
#include "tools/file_identity.h"
#include "tools/parse_watcher.h"
#include "tools/printable.h"
#include "tools/replace_file.h"
#include "tools/script_dump.h"
#include "tools/system_name.h"
#include "tools/tool_output.h"
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

const char kUsage[] =
    "usage: ferrox-script [OPTION]... check|dump|record FILE\n"
    "Parses FILE and its include files exactly as the launcher parses game.ini.\n"
    "  check   report what is wrong with FILE\n"
    "  dump    print the entries as one configuration file that parses back to the same\n"
    "          entries: FILE and its includes flattened into what the game sees\n"
    "  record  write the entries to standard output as binary entry records\n"
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
    "             2 usage error\n";

int UsageError(const std::string& problem) {
    std::fprintf(stderr, "ferrox-script: %s\n%.*sTry 'ferrox-script --help' for more.\n",
                 Printable(problem).c_str(), int(std::strchr(kUsage, '\n') + 1 - kUsage), kUsage);
    return 2;
}

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
    std::string command, file, logFile;
    bool strict = false, json = false;
};

// 0 when the words make a run, else the exit status of a usage error or of --help/--version.
int ReadOptions(int argc, char** argv, Options& options, bool& done) {
    std::vector<std::string> operands;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (optionsEnd || word.empty() || word[0] != '-' || word == "-") {
            operands.push_back(word);
        } else if (word == "--") {
            optionsEnd = true;
        } else if (word == "-h" || word == "--help") {
            std::fputs(kUsage, stdout);
            done = true;
            return 0;
        } else if (word == "--version") {
            std::puts("ferrox-script " FERROX_VERSION);
            done = true;
            return 0;
        } else if (word == "--strict") {
            options.strict = true;
        } else if (word == "--format=text" || word == "--format=json") {
            options.json = word == "--format=json";
        } else if (word.compare(0, 6, "--log=") == 0 && word.size() > 6) {
            options.logFile = word.substr(6);
        } else if (word == "--log" && i + 1 < argc) {
            options.logFile = argv[++i];
        } else {
            done = true;
            return UsageError("unknown option or missing value: '" + word + "'");
        }
    }
    if (operands.size() != 2 ||
        (operands[0] != "check" && operands[0] != "dump" && operands[0] != "record")) {
        done = true;
        return UsageError(operands.empty() ? "no command given"
                                           : "expected a command and one FILE");
    }
    options.command = operands[0];
    options.file = operands[1];
    return 0;
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
    IgnoreFileSizeSignal();
    Options options;
    bool done = false;
    int status = ReadOptions(argc, argv, options, done);
    if (done) {
        return FinishStandardOutput("ferrox-script") ? status : 1;
    }
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
    if (status == 0 && options.command == "dump") {
        std::fputs(DumpScript(entries).c_str(), stdout);
    } else if (status == 0 && options.command == "record") {
        _setmode(_fileno(stdout), _O_BINARY);
        entries->Write(stdout);
    }
    delete entries;
    return FinishStandardOutput("ferrox-script") ? status : 1;
}
