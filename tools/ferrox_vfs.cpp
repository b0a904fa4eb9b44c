// ferrox-vfs: mounts ZIP archives into the archive index, then lists, tests, prints, describes
// or extracts what the file layer sees, disk first as the system opens files; or packs files
// into an archive that the layer reads.
#include "tools/printable.h"
#include "tools/tool_output.h"
#include "tools/vfs_tool.h"
#include "vfs/mount.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "Usage: ferrox-vfs [--mount ARCHIVE]... ls|test|cat|stat|extract [ARGS...]\n"
    "       ferrox-vfs pack [-f] [--level=N] [--date=WHEN] OUT.zip PATH...\n"
    "\n"
    "Mounts each ZIP archive in the order given (where a name repeats, the first archive's\n"
    "file is the one found), then:\n"
    "  ls               lists every entry of each archive: size, compressed size, method,\n"
    "                   date, time, CRC-32 and name as stored; entries the file layer cannot\n"
    "                   serve are marked with the reason and counted on standard error\n"
    "  test             reads every entry the layer serves and checks its size and CRC-32\n"
    "  cat NAME...      writes each file to standard output as the file layer opens it: from\n"
    "                   the disk when it is there, else from the mounted archives; an archive\n"
    "                   entry's CRC-32 is checked once it has been read whole\n"
    "  stat NAME...     tells where each name resolves: disk, archive entry, or not found\n"
    "  extract [-C DIR] [-f] [NAME...]\n"
    "                   writes the entries the game would read (all, or those named) as files\n"
    "                   under DIR (default .); names that would leave DIR are refused, and\n"
    "                   existing files are kept unless -f is given\n"
    "  pack OUT.zip PATH...\n"
    "                   writes the files, and the files under the folders, given into a new\n"
    "                   archive, named relative to the folder given, sorted; deflated at\n"
    "                   --level=N (0-9, default 6), stored where that does not make them\n"
    "                   smaller; --date='YYYY-MM-DD HH:MM:SS' gives every entry that time, for\n"
    "                   reproducible archives; -f replaces an existing OUT.zip\n"
    "\n"
    "Options: --mount=ARCHIVE, -h/--help, --version; '--' ends the options.\n"
    "\n"
    "Exit status: 0 success; 1 a name not found, damaged or unservable data, an archive\n"
    "refused (the tool stops at the first refused archive), or a file or standard output\n"
    "that cannot be written; 2 a usage error.\n";

// The global options and the verb; the verb's own options are read by ReadVerbArguments.
struct Command {
    std::vector<std::string> archives;
    std::string verb;
    VerbArguments arguments;
};

// Reads the option value of "--name=VALUE" or "--name VALUE" (and "-n VALUE"); false when
// `argv[*i]` is not that option. A missing value is a usage error noted in `*error`.
bool OptionValue(int argc, char** argv, int* i, const char* longName, const char* shortName,
                 std::string* value, std::string* error) {
    std::string word = argv[*i];
    std::string prefix = std::string(longName) + "=";
    if (word.compare(0, prefix.size(), prefix) == 0) {
        *value = word.substr(prefix.size());
        return true;
    }
    if (word != longName && (!shortName || word != shortName)) {
        return false;
    }
    if (*i + 1 == argc) {
        *error = word + " needs a value";
        return true;
    }
    *value = argv[++*i];
    return true;
}

int ReadVerbArguments(int argc, char** argv, int i, Command* command) {
    VerbArguments& arguments = command->arguments;
    bool options = true;
    for (; i < argc; ++i) {
        std::string word = argv[i], value, error;
        if (!options || word.empty() || word[0] != '-' || word == "-") {
            arguments.operands.push_back(word);
        } else if (word == "--") {
            options = false;
        } else if (word == "-h" || word == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (word == "-f" && (command->verb == "extract" || command->verb == "pack")) {
            arguments.force = true;
        } else if (command->verb == "extract" &&
                   OptionValue(argc, argv, &i, "--directory", "-C", &arguments.directory, &error)) {
        } else if (command->verb == "pack" &&
                   OptionValue(argc, argv, &i, "--level", nullptr, &value, &error)) {
            if (error.empty() && (value.size() != 1 || value[0] < '0' || value[0] > '9')) {
                error = "--level takes a digit from 0 to 9, not '" + value + "'";
            }
            arguments.level = error.empty() ? value[0] - '0' : 0;
        } else if (command->verb == "pack" &&
                   OptionValue(argc, argv, &i, "--date", nullptr, &arguments.date, &error)) {
        } else {
            return UsageError(command->verb + ": unknown option: " + word);
        }
        if (!error.empty()) {
            return UsageError(error);
        }
    }
    return -1;
}

// Fills `command` from the arguments; -1 when it holds a command to run, else the exit status.
int ParseArguments(int argc, char** argv, Command* command) {
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        std::string option = argv[i], archive, error;
        if (option == "--") {
            ++i;
            break;
        }
        if (option == "-h" || option == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (option == "--version") {
            std::printf("ferrox-vfs %s\n", FERROX_VERSION);
            return kExitOk;
        }
        if (!OptionValue(argc, argv, &i, "--mount", nullptr, &archive, &error)) {
            return UsageError("unknown option: " + option);
        }
        if (!error.empty() || archive.empty()) {
            return UsageError("--mount needs an archive");
        }
        command->archives.push_back(archive);
    }
    if (i == argc) {
        return UsageError("no command");
    }
    command->verb = argv[i];
    const char* verbs[] = {"ls", "test", "cat", "stat", "extract", "pack"};
    bool known = false;
    for (const char* verb : verbs) {
        known = known || command->verb == verb;
    }
    if (!known) {
        return UsageError("unknown command: " + command->verb);
    }
    int status = ReadVerbArguments(argc, argv, i + 1, command);
    if (status >= 0) {
        return status;
    }
    const std::vector<std::string>& operands = command->arguments.operands;
    if ((command->verb == "ls" || command->verb == "test") && !operands.empty()) {
        return UsageError(command->verb + " takes no names");
    }
    if ((command->verb == "cat" || command->verb == "stat") && operands.empty()) {
        return UsageError(command->verb + " needs at least one name");
    }
    if ((command->verb == "ls" || command->verb == "test" || command->verb == "extract") &&
        command->archives.empty()) {
        return UsageError(command->verb + ": no archive mounted (use --mount ARCHIVE)");
    }
    if (command->verb == "pack" && !command->archives.empty()) {
        return UsageError("pack mounts nothing: --mount does not go with it");
    }
    if (command->verb == "pack" && operands.size() < 2) {
        return UsageError("pack needs an archive to write and at least one path");
    }
    return -1;
}

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

int Run(int argc, char** argv) {
    Command command;
    int status = ParseArguments(argc, argv, &command);
    if (status >= 0) {
        return status;
    }
    if (command.verb == "pack") {
        return Pack(command.arguments);
    }
    if (!MountAll(command.archives)) {
        return kExitProblem;
    }
    const std::vector<std::string>& operands = command.arguments.operands;
    if (command.verb == "ls") {
        return List(command.archives);
    }
    if (command.verb == "test") {
        return Test(command.archives);
    }
    if (command.verb == "cat") {
        return Cat(operands);
    }
    if (command.verb == "stat") {
        return Stat(operands);
    }
    return Extract(command.archives, command.arguments);
}

} // namespace

int UsageError(const std::string& message) {
    std::fprintf(stderr, "ferrox-vfs: %s\nTry 'ferrox-vfs --help'.\n", message.c_str());
    return kExitUsage;
}

void Complain(const std::string& message) {
    FlushStandardOutput();
    std::fprintf(stderr, "ferrox-vfs: %s\n", message.c_str());
}

int main(int argc, char** argv) {
    IgnoreFileSizeSignal();
    int status = Run(argc, argv);
    if (!FinishStandardOutput("ferrox-vfs") && status == kExitOk) {
        status = kExitProblem;
    }
    return status;
}
