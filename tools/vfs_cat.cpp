// cat: files to standard output as the file layer opens them, an archive entry's CRC-32
// checked once the entry has been read whole.
#include "platform/win32.h"
#include "tools/entry_check.h"
#include "tools/printable.h"
#include "tools/vfs_tool.h"
#include "vfs/vfile.h"

#include <cstdio>

int Cat(const std::vector<std::string>& names) {
    _setmode(_fileno(stdout), _O_BINARY); // the bytes as they are, no CR added before LF
    int status = kExitOk;
    for (const std::string& name : names) {
        FILE* file = vfopen(name.c_str(), "rb");
        if (!file) {
            Complain(Printable(name) + ": not found");
            status = kExitProblem;
            continue;
        }
        std::string problem = CopyCheckedFile(file, stdout);
        vfclose(file);
        if (!problem.empty()) {
            Complain(Printable(name) + ": " + problem);
            status = kExitProblem;
        }
    }
    return status; // the output is checked once written, as every verb's is
}
