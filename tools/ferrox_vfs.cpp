// ferrox-vfs: mounts ZIP archives into the archive index, then lists the index, prints files
// or tells where names resolve, through the file layer: disk first, as the system opens them.
#include "platform/win32.h"
#include "vfs/mount.h"
#include "vfs/pack.h"
#include "vfs/vfile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char kUsage[] =
    "Usage: ferrox-vfs [--mount ARCHIVE]... ls|cat|stat NAME...\n"
    "\n"
    "Mounts each ZIP archive in the order given (where a name repeats, the first archive's\n"
    "file is the one found), then:\n"
    "  ls            lists the archive index: name, size, compressed size, stored|deflated\n"
    "  cat NAME...   writes each file to standard output as the file layer opens it: from\n"
    "                the disk when it is there, else from the mounted archives\n"
    "  stat NAME...  tells where each name resolves: disk, archive entry, or not found\n"
    "\n"
    "Exit status: 0 success; 1 a name not found or unreadable, or an archive refused (the\n"
    "tool stops at the first refused archive); 2 a usage error.\n";

const size_t kChunkSize = 64 * 1024;

struct Command {
    std::vector<const char*> archives;
    std::string verb;
    std::vector<const char*> names;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "ferrox-vfs: %s\nTry 'ferrox-vfs --help'.\n", message.c_str());
    return 2;
}

// Fills `command` from the arguments; -1 when it holds a command to run, else the exit status.
int ParseArguments(int argc, char** argv, Command* command) {
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        std::string option = argv[i];
        if (option == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (option != "--mount") {
            return UsageError("unknown option: " + option);
        }
        if (i + 1 == argc) {
            return UsageError("--mount needs an archive");
        }
        command->archives.push_back(argv[++i]);
    }
    if (i == argc) {
        return UsageError("no command");
    }
    command->verb = argv[i];
    command->names.assign(argv + i + 1, argv + argc);
    if (command->verb != "ls" && command->verb != "cat" && command->verb != "stat") {
        return UsageError("unknown command: " + command->verb);
    }
    if (command->verb == "ls" && !command->names.empty()) {
        return UsageError("ls takes no names");
    }
    if (command->verb != "ls" && command->names.empty()) {
        return UsageError(command->verb + " needs at least one name");
    }
    return -1;
}

const char* MethodOf(const PackEntry* entry) {
    return entry->compressed ? "deflated" : "stored";
}

int List() {
    int width = 0;
    for (uint32_t i = 0; i < packIndex.count; ++i) {
        width = std::max(width, int(std::strlen(packIndex.slots[i]->name)));
    }
    for (uint32_t i = 0; i < packIndex.count; ++i) {
        const PackEntry* entry = packIndex.slots[i];
        std::printf("%-*s  %10lu  %10lu  %s\n", width, entry->name,
                    static_cast<unsigned long>(entry->size),
                    static_cast<unsigned long>(entry->compressedSize), MethodOf(entry));
    }
    return 0;
}

// Copies an open file to standard output in chunks; false when the file ends before its size
// (a damaged archive entry) or reading or writing fails.
bool CopyToOutput(FILE* file, std::vector<char>& chunk) {
    uint64_t total = 0;
    size_t got;
    while ((got = vfread(chunk.data(), 1, chunk.size(), file)) > 0) {
        if (std::fwrite(chunk.data(), 1, got, stdout) != got) {
            return false;
        }
        total += got;
    }
    if (vfispack(file)) {
        return total == reinterpret_cast<PackHandle*>(file)->entry->size;
    }
    return !std::ferror(file);
}

int Cat(const std::vector<const char*>& names) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // the bytes as they are, no CR added before LF
#endif
    std::vector<char> chunk(kChunkSize);
    int status = 0;
    for (const char* name : names) {
        FILE* file = vfopen(name, "rb");
        if (!file) {
            std::fprintf(stderr, "ferrox-vfs: %s: not found\n", name);
            status = 1;
            continue;
        }
        if (!CopyToOutput(file, chunk)) {
            std::fflush(stdout);
            std::fprintf(stderr, "ferrox-vfs: %s: cannot be read to its end\n", name);
            status = 1;
        }
        vfclose(file);
    }
    return std::fflush(stdout) == 0 ? status : 1;
}

int Stat(const std::vector<const char*>& names) {
    int status = 0;
    for (const char* name : names) {
        FILE* file = vfopen(name, "rb");
        if (!file) {
            std::printf("%s: not found\n", name);
            status = 1;
            continue;
        }
        if (!vfispack(file)) {
            std::printf("%s: disk\n", name);
        } else {
            const PackEntry* entry = reinterpret_cast<PackHandle*>(file)->entry;
            std::printf("%s: archive %s entry %s, %lu bytes, %s", name, entry->archive->path,
                        entry->name, static_cast<unsigned long>(entry->size), MethodOf(entry));
            if (entry->compressed) {
                std::printf(" (%lu compressed)", static_cast<unsigned long>(entry->compressedSize));
            }
            std::printf("\n");
        }
        vfclose(file);
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    Command command;
    int status = ParseArguments(argc, argv, &command);
    if (status >= 0) {
        return status;
    }
    for (const char* archive : command.archives) {
        MountResult result = vfmount(archive);
        if (result != kMountOk) {
            std::fprintf(stderr, "ferrox-vfs: %s: %s\n", archive, MountResultText(result));
            return 1;
        }
    }
    if (command.verb == "ls") {
        return List();
    }
    return command.verb == "cat" ? Cat(command.names) : Stat(command.names);
}
