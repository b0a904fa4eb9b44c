// A ZIP mount of fuzzed archive bytes; every indexed entry is then read to its end (or as far
// as its data goes) and the archive unmounted.
#include "vfs/mount.h"
#include "vfs/vfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char name[] = "fuzzed.zip";
    if (vfmountbytes(name, data, size) != kMountOk) {
        return 0;
    }
    std::vector<std::string> names;
    for (uint32_t i = 0; i < vfindexcount(); ++i) {
        names.push_back(vfindexentry(i)->name);
    }
    char buffer[4096];
    size_t budget = 16 << 20; // entries may claim far more than their data holds
    for (const std::string& name : names) {
        FILE* entry = vfopen(name.c_str(), "rb");
        if (!entry) {
            std::abort(); // an indexed name that does not open
        }
        size_t got;
        while (budget > 0 && (got = vfread(buffer, 1, sizeof buffer, entry)) > 0) {
            budget -= std::min(budget, got);
        }
        vfclose(entry);
    }
    if (vfunmount(name) != kMountOk) {
        std::abort();
    }
    return 0;
}
