// The frame that both command-line tools stand in, as one program's utilities serve all its
// commands: one convention of exit statuses, one way to complain and to refuse a command line,
// options read by one reader from a table, and verbs kept in a table whose rows make the
// usage text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The exit statuses, as each tool's --help and manual page document them.
const int kExitOk = 0;
const int kExitProblem = 1; // what the tool was asked to do failed, or an output did
const int kExitUsage = 2;   // the command line was refused, before anything was done

// ---- Options

// How an option takes its value.
enum class OptionValue {
    kNone,   // --strict, -f: the word alone
    kGiven,  // --name=VALUE or --name VALUE; the alias takes the next word (-C DIR)
    kJoined, // --name=VALUE only
};

struct Option {
    const char* name;  // "--level", or a short one alone ("-f")
    const char* alias; // another name ("-C", "-h"), or null
    OptionValue value;
    int key; // the tool's own, told back with every word that names the option
};

// One option or operand as the reader took it from the command line.
struct Word {
    enum Kind {
        kOperand,       // `text`: not an option, or after "--"
        kOption,        // `key`, with its `value` where it takes one
        kUnknownOption, // `text` names no option of the table
        kMissingValue,  // `key`: the command line ends where its value should be, or the
                        // option takes its value only after '='
    };
    Kind kind = kOperand;
    int key = 0;
    std::string text; // the word as given
    std::string value;
};

// Reads a command line word by word against a table of options. Options and operands may
// mix; "--" ends the options, and "-" and the empty word are operands.
class OptionReader {
public:
    OptionReader(int argc, char* const* argv, int first, const std::vector<Option>& options);
    // The next option or operand; false when the words are used up.
    bool Next(Word* word);
    // The index of the first word not read yet.
    int Position() const { return next_; }

private:
    void ReadOption(Word* word);

    int argc_;
    char* const* argv_;
    int next_;
    const std::vector<Option>& options_;
    bool ended_ = false;
};

// ---- Verbs

// What --help shows of a verb.
struct VerbText {
    const char* name;
    const char* form;     // the synopsis after the tool's name, "%s" where the verb goes;
                          // verbs next to each other with the same form share one line
    const char* operands; // beside the name in the list of verbs: "NAME...", "" for none
    const char* help;     // its lines in the list, each ending in '\n'
};

// A verb and what runs it with the tool's `Call`: the options and operands it was given.
template <typename Call> struct Verb : VerbText {
    int (*run)(const Call& call);
    // Why the call cannot run, a usage error's message; "" when it can. Null: every call can.
    std::string (*refuse)(const Call& call);
    // The verb's own options, read after it; null where the tool has none of its own.
    const std::vector<Option>* options;
};

template <typename Call>
const Verb<Call>* FindVerb(const std::vector<Verb<Call>>& verbs, const std::string& name) {
    for (const Verb<Call>& verb : verbs) {
        if (name == verb.name) {
            return &verb;
        }
    }
    return nullptr;
}

// ---- The tool

// How a tool presents itself; its usage text is made of these and its verbs.
struct ToolText {
    const char* name; // "ferrox-vfs", which starts every message
    const char* version;
    const char* usageWord; // "Usage: " before the first synopsis line
    const char* about;     // after the synopsis
    size_t helpColumn;     // where the verbs' help lines start
    const char* rest;      // after the list of verbs: options, exit statuses
    const char* retry;     // after a usage error: where to look for help
    bool synopsisOnError;  // the first synopsis line before `retry`
};

// How reading a command line ended: with something to run, with --help or --version
// answered, or with a usage error told.
enum class Reading { kRun, kAnswered, kRefused };

// Reads the words left: operands into `operands`, each option through `apply`, until one
// option ends the reading otherwise than with Reading::kRun; that reading, else kRun.
template <typename Apply>
Reading ReadWords(OptionReader& reader, std::vector<std::string>* operands, Apply apply) {
    for (Word word; reader.Next(&word);) {
        if (word.kind == Word::kOperand) {
            operands->push_back(word.text);
            continue;
        }
        Reading reading = apply(word);
        if (reading != Reading::kRun) {
            return reading;
        }
    }
    return Reading::kRun;
}

// Starts the tool: its text for the messages and --help, and a write past the file-size
// limit made an error rather than a silent kill.
void BeginTool(const ToolText& tool, const std::vector<VerbText>& verbs);
template <typename Call>
void BeginTool(const ToolText& tool, const std::vector<Verb<Call>>& verbs) {
    BeginTool(tool, std::vector<VerbText>(verbs.begin(), verbs.end()));
}

// The options that every tool has, under keys that no tool's own key takes (those count up
// from 0): --help (-h) and --version.
const int kHelpKey = -2;
const int kVersionKey = -1;
inline constexpr Option kHelpOption = {"--help", "-h", OptionValue::kNone, kHelpKey};
inline constexpr Option kVersionOption = {"--version", nullptr, OptionValue::kNone, kVersionKey};

// Prints the usage text, or "NAME VERSION", on standard output.
void ShowUsage();
void ShowVersion();
// Answers --help or --version: true, with `*reading` kAnswered, when `word` is one of them.
bool AnswerCommonOption(const Word& word, Reading* reading);

// Prints "NAME: MESSAGE" on standard error, control bytes shown as '?', after what standard
// output holds so far.
void Complain(const std::string& message);
// Complains, then tells where to look for help; kExitUsage.
int UsageError(const std::string& message);
// UsageError for a command-line reader: Reading::kRefused.
Reading Refuse(const std::string& message);
// The exit status of a reading that ended before anything ran.
int StatusOf(Reading reading);

// Checks standard output once all is written: `status`, or kExitProblem where the tool would
// have succeeded but its output did not reach its file.
int FinishTool(int status);
