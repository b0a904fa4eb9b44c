// ferrox-vfs: mounts ZIP archives into the archive index, then lists, tests, prints, describes
// or extracts what the file layer sees, disk first as the system opens files; or packs files
// into an archive that the layer reads.
#include "tools/printable.h"
#include "tools/vfs_tool.h"
#include "vfs/mount.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum Key { kMount, kForce, kDirectory, kLevel, kDate };

const Option kForceOption = {"-f", nullptr, OptionValue::kNone, kForce};
const std::vector<Option> kGlobalOptions = {
    {"--mount", nullptr, OptionValue::kGiven, kMount},
    kHelpOption,
    kVersionOption,
};
const std::vector<Option> kNoOptions = {kHelpOption};
const std::vector<Option> kExtractOptions = {
    kHelpOption, kForceOption, {"--directory", "-C", OptionValue::kGiven, kDirectory}};
const std::vector<Option> kPackOptions = {kHelpOption,
                                          kForceOption,
                                          {"--level", nullptr, OptionValue::kGiven, kLevel},
                                          {"--date", nullptr, OptionValue::kGiven, kDate}};

// Mounts the archives in order; false, with the reason told, at the first one refused.
bool MountAll(const std::vector<std::string>& archives) {
    for (const std::string& archive : archives) {
        errno = 0;
        MountResult result = vfmount(archive.c_str());
        if (result != kMountOk) {
            std::string message = Printable(archive) + ": " + MountResultText(result);
            if (result == kCannotOpen && errno != 0) {
                message += " (" + std::string(std::strerror(errno)) + ")";
            }
            Complain(message);
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
    return arguments.archives.empty()
               ? arguments.verb + ": no archive mounted (use --mount ARCHIVE)"
               : "";
}

std::string TakesNoNames(const VerbArguments& arguments) {
    return arguments.operands.empty() ? NeedsArchive(arguments)
                                      : arguments.verb + " takes no names";
}

std::string NeedsNames(const VerbArguments& arguments) {
    return arguments.operands.empty() ? arguments.verb + " needs at least one name" : "";
}

std::string PackRefusal(const VerbArguments& arguments) {
    if (!arguments.archives.empty()) {
        return "pack mounts nothing: --mount does not go with it";
    }
    return arguments.operands.size() < 2 ? "pack needs an archive to write and at least one path"
                                         : "";
}

const char kMounting[] = "[--mount ARCHIVE]... %s [ARGS...]";

const std::vector<Verb<VerbArguments>> kVerbs = {
    {{"ls", kMounting, "",
      "lists every entry of each archive: size, compressed size, method,\n"
      "date, time, CRC-32 and name as stored; entries the file layer cannot\n"
      "serve are marked with the reason and counted on standard error\n"},
     Mounted<List>,
     TakesNoNames,
     &kNoOptions},
    {{"test", kMounting, "", "reads every entry the layer serves and checks its size and CRC-32\n"},
     Mounted<Test>,
     TakesNoNames,
     &kNoOptions},
    {{"cat", kMounting, "NAME...",
      "writes each file to standard output as the file layer opens it: from\n"
      "the disk when it is there, else from the mounted archives; an archive\n"
      "entry's CRC-32 is checked once it has been read whole\n"},
     Mounted<Cat>,
     NeedsNames,
     &kNoOptions},
    {{"stat", kMounting, "NAME...",
      "tells where each name resolves: disk, archive entry, or not found\n"},
     Mounted<Stat>,
     NeedsNames,
     &kNoOptions},
    {{"extract", kMounting, "[-C DIR] [-f] [NAME...]",
      "writes the entries the game would read (all, or those named) as files\n"
      "under DIR (default .); names that would leave DIR are refused, and\n"
      "existing files are kept unless -f is given\n"},
     Mounted<Extract>,
     NeedsArchive,
     &kExtractOptions},
    {{"pack", "%s [-f] [--level=N] [--date=WHEN] OUT.zip PATH...", "OUT.zip PATH...",
      "writes the files, and the files under the folders, given into a new\n"
      "archive, named relative to the folder given, sorted; deflated at\n"
      "--level=N (0-9, default 6), stored where that does not make them\n"
      "smaller; --date='YYYY-MM-DD HH:MM:SS' gives every entry that time, for\n"
      "reproducible archives; -f replaces an existing OUT.zip\n"},
     Pack,
     PackRefusal,
     &kPackOptions},
};

const ToolText kTool = {
    "ferrox-vfs",
    FERROX_VERSION,
    "Usage: ",
    "\n"
    "Mounts each ZIP archive in the order given (where a name repeats, the first archive's\n"
    "file is the one found), then:\n",
    19,
    "\n"
    "Options: --mount=ARCHIVE, -h/--help, --version; '--' ends the options.\n"
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

// Takes one option, before the verb or after it.
Reading Apply(const Word& word, VerbArguments* arguments) {
    Reading answered;
    if (AnswerCommonOption(word, &answered)) {
        return answered;
    }
    if (word.kind == Word::kUnknownOption) {
        std::string verb = arguments->verb.empty() ? "" : arguments->verb + ": ";
        return Refuse(verb + "unknown option: " + word.text);
    }
    if (word.kind == Word::kMissingValue && word.key != kMount) {
        return Refuse(word.text + " needs a value");
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
    case kDirectory:
        arguments->directory = word.value;
        break;
    case kLevel:
        return SetLevel(word.value, arguments);
    case kDate:
        arguments->date = word.value;
        break;
    }
    return Reading::kRun;
}

// Reads the options before the verb, the verb, then its own options and its operands.
Reading ReadCommand(int argc, char** argv, const Verb<VerbArguments>** verb,
                    VerbArguments* arguments) {
    OptionReader global(argc, argv, 1, kGlobalOptions);
    Word word;
    for (;;) {
        if (!global.Next(&word)) {
            return Refuse("no command");
        }
        if (word.kind == Word::kOperand) {
            break;
        }
        Reading reading = Apply(word, arguments);
        if (reading != Reading::kRun) {
            return reading;
        }
    }
    *verb = FindVerb(kVerbs, word.text);
    if (!*verb) {
        return Refuse("unknown command: " + word.text);
    }
    arguments->verb = word.text;
    OptionReader own(argc, argv, global.Position(), *(*verb)->options);
    Reading reading = ReadWords(own, &arguments->operands, [arguments](const Word& option) {
        return Apply(option, arguments);
    });
    if (reading != Reading::kRun) {
        return reading;
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
    return FinishTool(Run(argc, argv));
}
