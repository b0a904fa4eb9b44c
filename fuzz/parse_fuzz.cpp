// The whole configuration parse on fuzzed files: the input holds up to four files, separated
// by a NUL byte: game.ini, then a.ini, b.ini and sub/c.ini, which the first may include. The
// entries that come back are written out as records and destroyed.
#include "fuzz/memory_archive.h"
#include "script/parser.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzFolder();
    static const char* const kNames[] = {"game.ini", "a.ini", "b.ini", "sub/c.ini"};
    std::vector<MemoryFile> files;
    std::string input(reinterpret_cast<const char*>(data), size);
    for (size_t start = 0, i = 0; i < 4 && start <= input.size(); ++i) {
        size_t end = i < 3 ? std::min(input.find('\0', start), input.size()) : input.size();
        files.push_back({kNames[i], input.substr(start, end - start)});
        start = end + 1;
    }
    MemoryArchive archive(files);
    ScriptEntry* entries = ParseScriptFile("game.ini");
    if (entries) {
        static FILE* sink = fopen("/dev/null", "wb");
        entries->Write(sink);
        delete entries;
    }
    return 0;
}
