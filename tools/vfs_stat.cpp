// stat: where each name resolves, disk or archive entry, as the file layer opens it.
#include "tools/printable.h"
#include "tools/vfs_tool.h"
#include "vfs/vfile.h"

#include <cstdio>

int Stat(const std::vector<std::string>& names) {
    int status = kExitOk;
    for (const std::string& name : names) {
        std::string shown = Printable(name);
        FILE* file = vfopen(name.c_str(), "rb");
        if (!file) {
            std::printf("%s: not found\n", shown.c_str());
            status = kExitProblem;
            continue;
        }
        if (const PackEntry* entry = vfhandleentry(file)) {
            std::printf("%s: archive %s entry %s, %lu bytes, %s", shown.c_str(),
                        Printable(vfarchivepath(entry)).c_str(), Printable(entry->name).c_str(),
                        static_cast<unsigned long>(entry->size),
                        entry->compressed ? "deflated" : "stored");
            if (entry->compressed) {
                std::printf(" (%lu compressed)", static_cast<unsigned long>(entry->compressedSize));
            }
            std::printf("\n");
        } else {
            std::printf("%s: disk\n", shown.c_str());
        }
        vfclose(file);
    }
    return status;
}
