// ferrox-script: parses a configuration file exactly as the launcher parses game.ini (from the
// working folder, with its include files) and says, compiler-style, what is wrong with it. It
// writes no log file of its own: the launcher's log text goes to --log FILE when asked for.
#include "platform/win32.h"
#include "script/parser.h"
#include "tools/colour_choice.h"
#include "tools/console_output.h"
#include "tools/diagnostic_json.h"
#include "tools/diagnostic_text.h"
#include "tools/file_identity.h"
#include "tools/format_command.h"
#include "tools/printable.h"
#include "tools/replace_file.h"
#include "tools/script_check.h"
#include "tools/script_dump.h"
#include "tools/standard_input.h"
#include "tools/system_name.h"
#include "tools/tool_frame.h"
#ifndef FERROX_WITHOUT_SERVER // the web page's engine serves no editor
#include "tools/lsp/stdio_session.h"
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

enum Key { kStrict, kFormat, kLog, kStdinName, kColour, kCheck, kDiff };

const std::vector<Option> kOptions = {
    {"--strict", nullptr, OptionValue::kNone, kStrict},
    {"--format", nullptr, OptionValue::kJoined, kFormat},
    {"--log", nullptr, OptionValue::kGiven, kLog},
    {"--stdin-name", nullptr, OptionValue::kJoined, kStdinName},
    {"--color", nullptr, OptionValue::kJoined, kColour},
    {"--check", nullptr, OptionValue::kNone, kCheck},
    {"--diff", nullptr, OptionValue::kNone, kDiff},
    kHelpOption,
    kVersionOption,
};

int Check(const CheckResult&) {
    return kExitOk; // the diagnostics are all it gives
}

int Dump(const CheckResult& result) {
    std::fputs(DumpScript(result.entries.get(), &result.spellings).c_str(), stdout);
    return kExitOk;
}

int Record(const CheckResult& result) {
    _setmode(_fileno(stdout), _O_BINARY);
    result.entries->Write(stdout);
    return kExitOk;
}

const char kForm[] = "[OPTION]... %s FILE";
const char kCheckForm[] = "[OPTION]... %s FILE...";
const char kFormatVerb[] = "fmt";
const char kServerVerb[] = "lsp";

// Each verb runs on the entries once the parse gave them.
const std::vector<Verb<CheckResult>> kVerbs = {
    {{"check", kCheckForm, "", "report what is wrong with each FILE ('-': standard input)\n"},
     Check,
     nullptr,
     nullptr},
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
    // It runs on files rather than on one check's result: main runs it.
    {{kFormatVerb, "[OPTION]... %s [--check] [--diff] FILE...", "",
      "lay out each FILE that parses in the one layout, in place; FILE - lays out\n"
      "standard input to standard output\n"},
     nullptr,
     nullptr,
     nullptr},
#ifndef FERROX_WITHOUT_SERVER
    // It reads no FILE: main runs it.
    {{kServerVerb, "[OPTION]... %s", "",
      "serve the Language Server Protocol on standard input and output, checking\n"
      "each document the editor opens as check does\n"},
     nullptr,
     nullptr,
     nullptr},
#endif
};

const ToolText kTool = {
    "ferrox-script",
    FERROX_VERSION,
    "usage: ",
    "Parses FILE and its include files exactly as the launcher parses game.ini.\n",
    10,
    "options:\n"
    "  --strict             treat warnings as errors\n"
    "  --format=text|json   diagnostics as text on standard error (the default), or as\n"
    "                       one JSON document on standard output (check only)\n"
    "  --log=FILE           write the launcher's log text of the parse to FILE (not one\n"
    "                       that the parse reads)\n"
    "  --check              fmt: write nothing; name the files that would change\n"
    "  --diff               fmt: write nothing; show the changes as a unified diff\n"
    "  --stdin-name=PATH    the name of standard input ('-') in messages; its includes\n"
    "                       are found beside PATH\n"
    "  --color=WHEN         colour diagnostics: auto (the default), always or never\n"
    "  -h, --help           show this help and exit\n"
    "  --version            show the version and exit\n"
    "Text diagnostics go to standard error; auto colours them on a terminal unless\n"
    "NO_COLOR is set to a word or TERM is dumb.\n"
    "exit status: 0 entries came back, 1 nothing came back or an error was reported\n"
    "             (with --strict also a warning), or an output could not be written,\n"
    "             2 usage error\n"
    "  fmt: 0 every FILE parses and is laid out (with --check: none would change),\n"
    "       1 a FILE does not parse and is left as it is, cannot be read or written, or\n"
    "       with --check would change\n",
    "Try 'ferrox-script --help' for more.\n",
    true,
};

struct Options {
    const Verb<CheckResult>* verb = nullptr;
    std::vector<std::string> files;
    std::string logFile, stdinName = "<stdin>";
    bool strict = false, json = false;
    ColourChoice colour = ColourChoice::kAuto;
    bool layoutCheck = false, layoutDiff = false; // fmt's own options
};

std::optional<ColourChoice> ColourNamed(const std::string& name) {
    if (name == "auto" || name == "always" || name == "never") {
        return name == "auto"     ? ColourChoice::kAuto
               : name == "always" ? ColourChoice::kAlways
                                  : ColourChoice::kNever;
    }
    return std::nullopt;
}

Reading Apply(const Word& word, Options* options) {
    Reading answered;
    if (AnswerCommonOption(word, &answered)) {
        return answered;
    }
    bool refused = word.kind != Word::kOption ||
                   (word.key == kFormat && word.value != "text" && word.value != "json") ||
                   (word.key == kColour && !ColourNamed(word.value)) ||
                   ((word.key == kLog || word.key == kStdinName) && word.value.empty());
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
    case kStdinName:
        options->stdinName = word.value;
        break;
    case kColour:
        options->colour = *ColourNamed(word.value);
        break;
    case kCheck:
        options->layoutCheck = true;
        break;
    case kDiff:
        options->layoutDiff = true;
        break;
    }
    return Reading::kRun;
}

// Why the verb and files cannot run together, a usage error's message; "" when they can.
std::string WhyNotRun(const Options& options) {
    bool check = std::string(options.verb->name) == "check";
    bool layout = std::string(options.verb->name) == kFormatVerb;
    if ((options.layoutCheck || options.layoutDiff) && !layout) {
        return "--check and --diff go with fmt only";
    }
    if (layout && !options.logFile.empty()) {
        return "--log goes with check, dump and record, not with fmt";
    }
    if (!check && !layout && options.files.size() != 1) {
        return "expected a command and one FILE";
    }
    if (!check && options.json) {
        return "--format=json writes to standard output, where " + std::string(options.verb->name) +
               " writes: it goes with check only";
    }
    if (std::count(options.files.begin(), options.files.end(), "-") > 1) {
        return "standard input ('-') can be read only once";
    }
    return "";
}

// Reads the options, the verb and the files, in any order.
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
    if (options->verb && std::strcmp(options->verb->name, kServerVerb) == 0) {
        return operands.size() == 1 ? Reading::kRun : Refuse("lsp takes no FILE");
    }
    if (!options->verb || operands.size() < 2) {
        return Refuse("expected a command and one FILE");
    }
    options->files.assign(operands.begin() + 1, operands.end());
    std::string refusal = WhyNotRun(*options);
    return refusal.empty() ? Reading::kRun : Refuse(refusal);
}

// Checks one operand: a file, or standard input under its name.
CheckResult CheckOperand(const std::string& operand, const Options& options) {
    CheckOptions checkOptions;
    checkOptions.strict = options.strict;
    if (operand != "-") {
        return CheckScript(operand, std::nullopt, checkOptions);
    }
    // One byte more than a parse reads, so that the parse refuses a longer text as too long.
    std::string text;
    std::string problem = ReadStandardInput(size_t(kMostScriptBytes) + 1, &text);
    if (!problem.empty()) {
        Diagnostic failure;
        failure.code = "unreadable-input";
        failure.file = options.stdinName;
        failure.message = "standard input " + problem;
        CheckResult unread;
        unread.diagnostics.push_back(failure);
        unread.failed = true;
        return unread;
    }
    return CheckScript(options.stdinName, text, checkOptions);
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
bool WriteLogFile(const std::string& name, const std::string& text,
                  const std::vector<std::string>& read) {
    std::string failure = WhyNoLogThere(name, read);
    if (failure.empty()) {
        ReplacementFile log(PathOfSystemName(name));
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
#ifndef FERROX_WITHOUT_SERVER
    if (std::strcmp(options.verb->name, kServerVerb) == 0) {
        return FinishTool(RunLanguageServer());
    }
#endif
    std::vector<CheckResult> results;
    std::vector<Diagnostic> all; // for the one JSON document
    long notShown = 0;
    std::string logText;
    std::vector<std::string> filesRead;
    bool failed = false;
    const bool colour = !options.json && ColourWanted(options.colour);
    if (std::strcmp(options.verb->name, kFormatVerb) == 0) {
        FormatRequest request{options.files, options.stdinName, options.layoutCheck,
                              options.layoutDiff, options.strict};
        return FinishTool(FormatFiles(request, [colour](const CheckResult& result) {
            WriteStandardError(DiagnosticsText(result.diagnostics, result.notShown, colour));
        }));
    }
    for (const std::string& operand : options.files) {
        results.push_back(CheckOperand(operand, options));
        const CheckResult& result = results.back();
        if (options.json) {
            all.insert(all.end(), result.diagnostics.begin(), result.diagnostics.end());
            notShown += result.notShown;
        } else {
            WriteStandardError(DiagnosticsText(result.diagnostics, result.notShown, colour));
        }
        failed = failed || result.failed;
        logText += result.logText;
        filesRead.insert(filesRead.end(), result.filesRead.begin(), result.filesRead.end());
    }
    if (options.json) {
        WriteDiagnosticsJson(stdout, all, notShown);
    }
    // Diagnostics that did not reach their file (a full disk) leave a run that says nothing.
    failed = failed || std::fflush(stderr) != 0 || std::ferror(stderr);
    int status = failed ? kExitProblem : kExitOk;
    if (!options.logFile.empty() && !WriteLogFile(options.logFile, logText, filesRead)) {
        status = kExitProblem;
    }
    for (size_t i = 0; i < results.size() && status == kExitOk; ++i) {
        status = options.verb->run(results[i]);
    }
    return FinishTool(status);
}
