// Drives the diagnostic log from the command line, one action per argument, in the working
// directory it is started in:
//   say:TEXT    LogPrintf of TEXT            line:TEXT   LogPrintf of TEXT and a line end
//   format      LogPrintf with conversions   empty       LogPrintf of an empty message
//   long:N      LogPrintf of N characters    only:TEXT   LogHookPrintf of TEXT
//   hook        installs an echo hook that writes "[message]" to standard output
//   pack:NAME   mounts an archive, held in memory, whose one file is NAME
//   many:N      N messages "message <number>", each announced on standard output once logged
//   remove:NAME removes the file or folder NAME
#include "diag/log.h"
#include "tests/vfs/zip_writer.h"
#include "vfs/mount.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

void EchoToStandardOutput(const char* message) {
    printf("[%s]", message);
    fflush(stdout);
}

// Letters in a fixed cycle, so that where a cut message ends can be told from its content.
std::string Pattern(size_t length) {
    std::string text(length, ' ');
    for (size_t i = 0; i < length; ++i) {
        text[i] = char('a' + i % 26);
    }
    return text;
}

bool Take(const char* argument, const char* action, const char** rest) {
    size_t length = strlen(action);
    if (strncmp(argument, action, length) != 0) {
        return false;
    }
    *rest = argument + length;
    return true;
}

std::string packBytes;

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The hook's messages go out byte for byte, line ends included.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    for (int i = 1; i < argc; ++i) {
        const char* rest = nullptr;
        if (Take(argv[i], "say:", &rest)) {
            LogPrintf("%s", rest);
        } else if (Take(argv[i], "line:", &rest)) {
            LogPrintf("%s\n", rest);
        } else if (strcmp(argv[i], "format") == 0) {
            LogPrintf("%d %s %.1f %c|", -42, "text", 2.5, 'z');
        } else if (strcmp(argv[i], "empty") == 0) {
            LogPrintf("%s", "");
        } else if (Take(argv[i], "long:", &rest)) {
            LogPrintf("%s", Pattern(strtoul(rest, nullptr, 10)).c_str());
        } else if (Take(argv[i], "only:", &rest)) {
            LogHookPrintf("%s", rest);
        } else if (strcmp(argv[i], "hook") == 0) {
            SetLogEchoHook(EchoToStandardOutput);
        } else if (Take(argv[i], "pack:", &rest)) {
            packBytes = MakeZip({ZipStored(rest, "")}).bytes;
            if (vfmountbytes("probe.zip", packBytes.data(), packBytes.size()) != kMountOk) {
                return 3;
            }
        } else if (Take(argv[i], "many:", &rest)) {
            for (unsigned long n = 0, count = strtoul(rest, nullptr, 10); n < count; ++n) {
                LogPrintf("message %06lu\n", n);
                printf("logged %lu\n", n);
                fflush(stdout);
            }
        } else if (Take(argv[i], "remove:", &rest)) {
            std::error_code ignored;
            std::filesystem::remove_all(rest, ignored);
        } else {
            fprintf(stderr, "log_probe: unknown action %s\n", argv[i]);
            return 2;
        }
    }
    return 0;
}
