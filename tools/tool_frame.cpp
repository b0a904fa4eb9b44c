#include "tools/tool_frame.h"

#include "tools/printable.h"
#include "tools/progress.h"
#include "tools/tool_output.h"

#include <cstdio>
#include <cstring>

namespace {

// The tool that runs, set once at its start, and its usage text.
const ToolText* current = nullptr;
std::string usage;
std::string firstSynopsis;

// How a word names an option: not at all, as the word alone, or with "=VALUE" joined.
enum class Naming { kNot, kAlone, kJoined };

Naming NamingOf(const Option& option, const std::string& text) {
    if (text == option.name || (option.alias && text == option.alias)) {
        return Naming::kAlone;
    }
    size_t length = std::strlen(option.name);
    bool joined = option.value != OptionValue::kNone && text.size() > length &&
                  text.compare(0, length, option.name) == 0 && text[length] == '=';
    return joined ? Naming::kJoined : Naming::kNot;
}

// The synopsis lines: verbs next to each other with the same form share one, their names
// joined with '|'.
std::string Synopsis(const ToolText& tool, const std::vector<VerbText>& verbs) {
    std::string text;
    for (size_t first = 0, next = 0; first < verbs.size(); first = next) {
        std::string names = verbs[first].name;
        for (next = first + 1;
             next < verbs.size() && std::strcmp(verbs[next].form, verbs[first].form) == 0; ++next) {
            names += std::string("|") + verbs[next].name;
        }
        std::string form = verbs[first].form;
        form.replace(form.find("%s"), 2, names);
        std::string lead =
            first == 0 ? tool.usageWord : std::string(std::strlen(tool.usageWord), ' ');
        text += lead + tool.name + " " + form + "\n";
    }
    return text;
}

// The list of verbs: each name with its operands, and its help lines from `column` on, below
// the name where the two do not fit beside each other.
std::string VerbList(const std::vector<VerbText>& verbs, size_t column) {
    const std::string indent(column, ' ');
    std::string text;
    for (const VerbText& verb : verbs) {
        std::string label = std::string("  ") + verb.name;
        label += *verb.operands ? std::string(" ") + verb.operands : "";
        text += label.size() + 2 <= column ? label + std::string(column - label.size(), ' ')
                                           : label + "\n" + indent;
        std::string help = verb.help;
        for (size_t end = help.find('\n'); end != std::string::npos && end + 1 < help.size();
             end = help.find('\n', end + 1 + column)) {
            help.insert(end + 1, indent);
        }
        text += help;
    }
    return text;
}

} // namespace

OptionReader::OptionReader(int argc, char* const* argv, int first,
                           const std::vector<Option>& options)
    : argc_(argc), argv_(argv), next_(first), options_(options) {}

bool OptionReader::Next(Word* word) {
    *word = Word();
    while (next_ < argc_) {
        word->text = argv_[next_++];
        if (ended_ || word->text.size() < 2 || word->text[0] != '-') {
            return true; // an operand
        }
        if (word->text != "--") {
            ReadOption(word);
            return true;
        }
        ended_ = true;
    }
    return false;
}

void OptionReader::ReadOption(Word* word) {
    for (const Option& option : options_) {
        Naming naming = NamingOf(option, word->text);
        if (naming == Naming::kNot) {
            continue;
        }
        word->key = option.key;
        word->kind = Word::kOption;
        if (naming == Naming::kJoined) {
            word->value = word->text.substr(std::strlen(option.name) + 1);
        } else if (option.value == OptionValue::kGiven && next_ < argc_) {
            word->value = argv_[next_++];
        } else if (option.value != OptionValue::kNone) {
            word->kind = Word::kMissingValue;
        }
        return;
    }
    word->kind = Word::kUnknownOption;
}

void BeginTool(const ToolText& tool, const std::vector<VerbText>& verbs) {
    IgnoreFileSizeSignal();
    current = &tool;
    std::string synopsis = Synopsis(tool, verbs);
    firstSynopsis = synopsis.substr(0, synopsis.find('\n') + 1);
    usage = synopsis + tool.about + VerbList(verbs, tool.helpColumn) + tool.rest;
}

void ShowUsage() {
    std::fputs(usage.c_str(), stdout);
}

void ShowVersion() {
    std::printf("%s %s\n", current->name, current->version);
}

bool AnswerCommonOption(const Word& word, Reading* reading) {
    if (word.kind != Word::kOption || (word.key != kHelpKey && word.key != kVersionKey)) {
        return false;
    }
    if (word.key == kHelpKey) {
        ShowUsage();
    } else {
        ShowVersion();
    }
    *reading = Reading::kAnswered;
    return true;
}

void Complain(const std::string& message) {
    ClearProgress();
    FlushStandardOutput();
    std::fprintf(stderr, "%s: %s\n", current->name, Printable(message).c_str());
}

int UsageError(const std::string& message) {
    Complain(message);
    std::fprintf(stderr, "%s%s", current->synopsisOnError ? firstSynopsis.c_str() : "",
                 current->retry);
    return kExitUsage;
}

Reading Refuse(const std::string& message) {
    UsageError(message);
    return Reading::kRefused;
}

int StatusOf(Reading reading) {
    return reading == Reading::kRefused ? kExitUsage : kExitOk;
}

int FinishTool(int status) {
    bool written = FinishStandardOutput(current->name);
    return written || status != kExitOk ? status : kExitProblem;
}
