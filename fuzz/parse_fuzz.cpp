// The whole configuration parse on fuzzed files: the input holds up to four files, separated
// by a NUL byte: game.ini, parsed from memory, then a.ini, b.ini and sub/c.ini, which it may
// include from an archive in memory. The entries that come back are written out as records
// and destroyed.
#include "fuzz/memory_archive.h"
#include "script/parser.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzFolder();
    static const char* const kIncluded[] = {"a.ini", "b.ini", "sub/c.ini"};
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t topEnd = std::min(input.find('\0'), input.size());
    std::vector<MemoryFile> files;
    for (size_t start = topEnd + 1, i = 0; i < 3 && start <= input.size(); ++i) {
        size_t end = i < 2 ? std::min(input.find('\0', start), input.size()) : input.size();
        files.push_back({kIncluded[i], input.substr(start, end - start)});
        start = end + 1;
    }
    MemoryArchive archive(files);
    ScriptEntry* entries = ParseScriptBuffer("game.ini", input.data(), topEnd);
    if (entries) {
        static FILE* sink = fopen("/dev/null", "wb");
        entries->Write(sink);
        delete entries;
    }
    return 0;
}
