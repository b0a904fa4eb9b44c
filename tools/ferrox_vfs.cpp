// ferrox-vfs: mounts ZIP archives into the archive index, then lists, tests, prints, describes
// or extracts what the file layer sees, disk first as the system opens files; or packs files
// into an archive that the layer reads. Its command line reads as unzip's and zip's do.
#include "tools/utf8_arguments.h"
#include "tools/vfs_tool.h"

#include <string>
#include <vector>

namespace {

enum Key { kMount, kForce, kKeep, kDirectory, kLevel, kDate, kQuiet, kVerbose };

const Option kMountOption = {"--mount", nullptr, OptionValue::kGiven, kMount};
const Option kForceOption = {"--force", "-f", OptionValue::kNone, kForce};
const Option kKeepOption = {"--keep", "-n", OptionValue::kNone, kKeep};
const Option kDirectoryOption = {"--directory", "-C", OptionValue::kGiven, kDirectory};
const Option kLevelOption = {"--level", nullptr, OptionValue::kGiven, kLevel};
const Option kDateOption = {"--date", nullptr, OptionValue::kGiven, kDate};
const Option kQuietOption = {"--quiet", "-q", OptionValue::kNone, kQuiet};
const Option kVerboseOption = {"--verbose", "-v", OptionValue::kNone, kVerbose};

// Every option of the tool, read wherever it stands before "--"; each verb takes its own.
const std::vector<Option> kAllOptions = {
    kMountOption,     kHelpOption,  kVersionOption, kForceOption, kKeepOption,
    kDirectoryOption, kLevelOption, kDateOption,    kQuietOption, kVerboseOption,
};
const std::vector<Option> kNamesOptions = {kMountOption, kHelpOption};
const std::vector<Option> kListOptions = {kMountOption, kHelpOption, kQuietOption, kVerboseOption};
const std::vector<Option> kExtractOptions = {kMountOption, kHelpOption,  kForceOption,
                                             kKeepOption,  kQuietOption, kDirectoryOption};
const std::vector<Option> kPackOptions = {kMountOption, kHelpOption,  kForceOption,
                                          kQuietOption, kLevelOption, kDateOption};

// Mounts the archives in order; false, with the reason told, at the first one refused.
bool MountAll(const std::vector<std::string>& archives) {
    for (const std::string& archive : archives) {
        if (!MountArchive(archive)) {
            return false;
        }
    }
    return true;
}

// A verb that reads what the archives serve, run once they are all mounted.
template <int (*verb)(const VerbArguments&)> int Mounted(const VerbArguments& arguments) {
    return MountAll(arguments.archives) ? verb(arguments) : kExitProblem;
}

std::string NeedsArchive(const VerbArguments& arguments) {
    return arguments.archives.empty() ? arguments.verb + ": no archive given" : "";
}

std::string NeedsNames(const VerbArguments& arguments) {
    return arguments.operands.empty() ? arguments.verb + " needs at least one name" : "";
}

std::string ExtractRefusal(const VerbArguments& arguments) {
    return arguments.force && arguments.keep ? "extract: -f and -n do not go together"
                                             : NeedsArchive(arguments);
}

std::string PackRefusal(const VerbArguments& arguments) {
    if (!arguments.archives.empty()) {
        return "pack mounts nothing: --mount does not go with it";
    }
    if (arguments.operands.size() < 2) {
        return "pack needs an archive to write and at least one path";
    }
    return arguments.operands[0] == "-"
               ? "pack writes no archive to standard output: name the archive to write"
               : "";
}

const std::vector<Verb<VerbArguments>> kVerbs = {
    {{"ls", "%s [-q|-v] ARCHIVE [PATTERN...]", "",
      "lists the entries of each archive: size, compressed size, method,\n"
      "date, time, CRC-32 and name as stored; entries the file layer cannot\n"
      "serve are marked with the reason and counted on standard error;\n"
      "-q leaves out the heading and the total\n"},
     Mounted<List>,
     NeedsArchive,
     &kListOptions},
    {{"test", "%s [-q|-v] ARCHIVE [PATTERN...]", "",
      "reads every entry the layer serves and checks its size and CRC-32;\n"
      "-v lists each entry with OK, -q prints problems only\n"},
     Mounted<Test>,
     NeedsArchive,
     &kListOptions},
    {{"cat", "%s ARCHIVE NAME...", "",
      "writes each file to standard output as the file layer opens it: from\n"
      "the disk when it is there, else from the archives; an archive\n"
      "entry's CRC-32 is checked once it has been read whole; a NAME alone\n"
      "reads the disk\n"},
     Mounted<Cat>,
     NeedsNames,
     &kNamesOptions},
    {{"stat", "%s ARCHIVE NAME...", "",
      "tells where each name resolves: disk, archive entry, or not found;\n"
      "a NAME alone is looked for on the disk\n"},
     Mounted<Stat>,
     NeedsNames,
     &kNamesOptions},
    {{"extract", "%s [-q] [-f|-n] ARCHIVE [PATTERN...] [-C DIR]", "",
      "writes the entries the game would read (all, or those selected) as\n"
      "files under DIR (default .); names that would leave DIR are refused;\n"
      "an existing file is kept, and counts as a problem, unless -f replaces\n"
      "it or -n keeps it quietly (one line tells how many were kept)\n"},
     Mounted<Extract>,
     ExtractRefusal,
     &kExtractOptions},
    {{"pack", "%s [-q] [-f] [--level=N] [--date=WHEN] OUT.zip PATH...", "",
      "writes the files, and the files under the folders, given into a new\n"
      "archive, named relative to the folder given, sorted; deflated at\n"
      "--level=N (0-9, default 6), stored where that does not make them\n"
      "smaller; --date='YYYY-MM-DD HH:MM:SS' gives every entry that time, for\n"
      "reproducible archives; -f replaces an existing OUT.zip; OUT.zip is\n"
      "never '-': an archive is written to a file\n"},
     Pack,
     PackRefusal,
     &kPackOptions},
};

const ToolText kTool = {
    "ferrox-vfs",
    FERROX_VERSION,
    "Usage: ",
    "       ferrox-vfs [--mount ARCHIVE]... ls|test|cat|stat|extract [OPTIONS] [NAME...]\n"
    "\n"
    "ARCHIVE '-' is read from standard input, into memory: 1 GiB at the most. --mount,\n"
    "given once or more, takes the place of ARCHIVE: each archive is mounted in the order\n"
    "given, and where a name repeats, the first archive's file is the one found. A\n"
    "PATTERN selects an entry by its name, the entries under a folder, or with *, ? and\n"
    "[...] (a '*' also crosses '/'), letters in any case. Options may stand anywhere\n"
    "before '--'.\n"
    "\n",
    19,
    "\n"
    "Options: --mount=ARCHIVE, -q/--quiet, -v/--verbose, -f/--force, -n/--keep,\n"
    "-C/--directory=DIR, -h/--help, --version; '--' ends the options.\n"
    "\n"
    "Exit status: 0 success; 1 a name not found, damaged or unservable data, an archive\n"
    "refused (the tool stops at the first refused archive), or a file or standard output\n"
    "that cannot be written; 2 a usage error.\n",
    "Try 'ferrox-vfs --help'.\n",
    false,
};

Reading SetLevel(const std::string& value, VerbArguments* arguments) {
    if (value.size() != 1 || value[0] < '0' || value[0] > '9') {
        return Refuse("--level takes a digit from 0 to 9, not '" + value + "'");
    }
    arguments->level = value[0] - '0';
    return Reading::kRun;
}

// Takes one option the tool knows.
Reading Apply(const Word& word, VerbArguments* arguments) {
    if (word.kind == Word::kMissingValue) {
        return Refuse(word.text + (word.key == kMount ? " needs an archive" : " needs a value"));
    }
    switch (word.key) {
    case kMount:
        if (word.value.empty()) {
            return Refuse("--mount needs an archive");
        }
        arguments->archives.push_back(word.value);
        break;
    case kForce:
        arguments->force = true;
        break;
    case kKeep:
        arguments->keep = true;
        break;
    case kDirectory:
        arguments->directory = word.value;
        break;
    case kLevel:
        return SetLevel(word.value, arguments);
    case kDate:
        arguments->date = word.value;
        break;
    case kQuiet:
        arguments->verbosity = Verbosity::kQuiet;
        break;
    case kVerbose:
        arguments->verbosity = Verbosity::kVerbose;
        break;
    }
    return Reading::kRun;
}

bool Takes(const Verb<VerbArguments>& verb, int key) {
    for (const Option& option : *verb.options) {
        if (option.key == key) {
            return true;
        }
    }
    return false;
}

// Reads the whole command line: options wherever they stand, the verb as the first operand,
// then, where no --mount was given to a verb that reads archives, the archive as the next.
Reading ReadCommand(int argc, char** argv, const Verb<VerbArguments>** verb,
                    VerbArguments* arguments) {
    OptionReader reader(argc, argv, 1, kAllOptions);
    std::vector<Word> options;
    std::vector<std::string> operands;
    for (Word word; reader.Next(&word);) {
        Reading answered;
        if (word.kind == Word::kOperand) {
            operands.push_back(word.text);
        } else if (AnswerCommonOption(word, &answered)) {
            return answered;
        } else if (word.kind == Word::kUnknownOption) {
            std::string prefix = operands.empty() ? "" : operands[0] + ": ";
            return Refuse(prefix + "unknown option: " + word.text);
        } else {
            options.push_back(word);
        }
    }
    if (operands.empty()) {
        for (const Word& option : options) {
            if (option.kind == Word::kMissingValue || option.key == kMount) {
                Reading reading = Apply(option, arguments);
                if (reading != Reading::kRun) {
                    return reading;
                }
            }
        }
        return Refuse("no command");
    }
    *verb = FindVerb(kVerbs, operands[0]);
    if (!*verb) {
        return Refuse("unknown command: " + operands[0]);
    }
    arguments->verb = operands[0];
    for (const Word& option : options) {
        if (!Takes(**verb, option.key)) {
            return Refuse(arguments->verb + ": unknown option: " + option.text);
        }
        Reading reading = Apply(option, arguments);
        if (reading != Reading::kRun) {
            return reading;
        }
    }
    arguments->operands.assign(operands.begin() + 1, operands.end());
    // cat and stat with one name and nothing mounted read the disk, as they always have.
    size_t least = (*verb)->refuse == NeedsNames ? 2 : 1;
    if (arguments->archives.empty() && (*verb)->run != Pack &&
        arguments->operands.size() >= least) {
        arguments->archives.push_back(arguments->operands.front());
        arguments->operands.erase(arguments->operands.begin());
    }
    std::string refusal = (*verb)->refuse(*arguments);
    return refusal.empty() ? Reading::kRun : Refuse(refusal);
}

int Run(int argc, char** argv) {
    const Verb<VerbArguments>* verb = nullptr;
    VerbArguments arguments;
    Reading reading = ReadCommand(argc, argv, &verb, &arguments);
    return reading == Reading::kRun ? verb->run(arguments) : StatusOf(reading);
}

} // namespace

int main(int argc, char** argv) {
    BeginTool(kTool, kVerbs);
    // Every name is UTF-8 from here on, as archives store them.
    std::vector<std::string> words = Utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& word : words) {
        pointers.push_back(word.data());
    }
    return FinishTool(Run(int(pointers.size()), pointers.data()));
}
