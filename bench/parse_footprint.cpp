// What one parse costs in memory, in a process of its own so that nothing earlier hides it:
//   parse_footprint peak BYTES   peak memory of parsing realistic content of BYTES bytes, per
//                                input byte (the file's bytes in memory and the tree together)
//   parse_footprint fresh FILE   kilobytes of memory first touched by parsing FILE
// Linux only: the figures come from /proc/self.
#include "bench/script_corpus.h"
#include "script/parser.h"
#include "tests/support/temporary_folder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>

namespace {

// A figure in kilobytes from one of /proc/self's status files, e.g. "VmHWM:" of "status".
long KilobytesOf(const char* file, const char* field) {
    std::ifstream status(std::string("/proc/self/") + file);
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, std::strlen(field), field) == 0) {
            return std::atol(line.c_str() + std::strlen(field));
        }
    }
    std::fprintf(stderr, "parse_footprint: no %s in /proc/self/%s\n", field, file);
    std::exit(1);
}

int Peak(long bytes) {
    TemporaryFolder folder;
    std::string path = folder.Write("game.ini", RealisticCorpus(bytes).configuration);
    long size = long(std::ifstream(path, std::ios::binary | std::ios::ate).tellg());
    malloc_trim(0); // the content's own memory goes back, so that the parse cannot reuse it
    long before = KilobytesOf("status", "VmRSS:");
    std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
    ScriptEntry* entries = ParseScriptFile(path.c_str());
    long peak = KilobytesOf("status", "VmHWM:");
    if (!entries) {
        std::fprintf(stderr, "parse_footprint: %s did not parse\n", path.c_str());
        return 1;
    }
    delete entries;
    std::printf("%.3f\n", double(peak - before) * 1024.0 / double(size));
    return 0;
}

// Anonymous memory is what the process has written to: the tree, the file's bytes, the pools.
int Fresh(const char* path) {
    long before = KilobytesOf("smaps_rollup", "Anonymous:");
    ScriptEntry* entries = ParseScriptFile(path);
    long after = KilobytesOf("smaps_rollup", "Anonymous:");
    if (!entries) {
        std::fprintf(stderr, "parse_footprint: %s did not parse\n", path);
        return 1;
    }
    delete entries;
    std::printf("%ld\n", after - before);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "peak") == 0) {
        return Peak(std::atol(argv[2]));
    }
    if (argc == 3 && std::strcmp(argv[1], "fresh") == 0) {
        return Fresh(argv[2]);
    }
    std::fprintf(stderr, "usage: parse_footprint peak BYTES | fresh FILE\n");
    return 2;
}
