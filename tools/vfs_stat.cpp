// stat: where each name resolves, disk or archive entry, as the file layer opens it.
#include "tools/vfs_tool.h"
#include "vfs/vfile.h"

#include <cstdio>

int Stat(const std::vector<std::string>& names) {
    int status = kExitOk;
    for (const std::string& name : names) {
        FILE* file = vfopen(name.c_str(), "rb");
        if (!file) {
            std::printf("%s: not found\n", name.c_str());
            status = kExitProblem;
            continue;
        }
        if (const PackEntry* entry = vfhandleentry(file)) {
            std::printf("%s: archive %s entry %s, %lu bytes, %s", name.c_str(),
                        vfarchivepath(entry), entry->name, static_cast<unsigned long>(entry->size),
                        entry->compressed ? "deflated" : "stored");
            if (entry->compressed) {
                std::printf(" (%lu compressed)", static_cast<unsigned long>(entry->compressedSize));
            }
            std::printf("\n");
        } else {
            std::printf("%s: disk\n", name.c_str());
        }
        vfclose(file);
    }
    return status;
}
