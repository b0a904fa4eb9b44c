// Drives the diagnostic log, one action per argument, in the folder it is started in:
//   say:TEXT  LogPrintf of TEXT and a line end   only:TEXT  LogHookPrintf of the same
//   empty     LogPrintf of an empty message      long:N     LogPrintf of N characters
//   hook      sets an echo hook that writes "[message]" and a line end to hook.txt
//   mount:ZIP mounts an archive    remove:NAME removes a file or folder    die  _Exit(3)
// Exit code 2: an unknown action, or an archive that did not mount.
#include "diag/log.h"
#include "vfs/mount.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string action = argv[i], kind = action.substr(0, action.find(':') + 1);
        std::string rest = action.substr(kind.size());
        std::error_code ignored;
        if (kind == "say:" || kind == "only:") {
            (kind == "say:" ? LogPrintf : LogHookPrintf)("%s\n", rest.c_str());
        } else if (action == "empty") {
            LogPrintf("%s", "");
        } else if (kind == "long:") {
            LogPrintf("%s", std::string(std::stoul(rest), 'x').c_str());
        } else if (action == "hook") {
            SetLogEchoHook([](const char* message) {
                if (FILE* echo = std::fopen("hook.txt", "ab")) {
                    std::fprintf(echo, "[%s]\n", message);
                    std::fclose(echo);
                }
            });
        } else if (kind == "remove:") {
            std::filesystem::remove_all(rest, ignored);
        } else if (action == "die") {
            std::_Exit(3);
        } else if (kind != "mount:" || vfmount(rest.c_str()) != kMountOk) {
            return 2;
        }
    }
    return 0;
}
