// Two stored entries of one archive file, read through two handles in a fuzzed sequence of
// seeks and reads, so that reads on the shared file come in every order: each must give
// exactly the content's bytes at its handle's position.
// The input is split as fuzz/operations.h says: an operation's lowest bit picks the handle. The
// rest, repeated to at least 96 KiB so that reads both large and small come up, is the content
// of both entries.
#include "fuzz/memory_archive.h"
#include "fuzz/operations.h"
#include "tests/vfs/zip_writer.h"
#include "vfs/mount.h"
#include "vfs/vfile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzFolder();
    FuzzInput input = SplitFuzzInput(data, size);
    std::string content = input.rest;
    while (!input.rest.empty() && content.size() < 96 * 1024) {
        content += input.rest;
    }
    std::ofstream("stored.zip", std::ios::binary)
        << MakeZip({ZipStored("a", content), ZipStored("b", content)}).bytes;
    if (vfmount("stored.zip") != kMountOk) {
        std::abort();
    }
    FILE* handles[2] = {vfopen("a", "rb"), vfopen("b", "rb")};
    std::string buffer;
    for (const FuzzedOperation& op : input.operations) {
        ApplyFuzzedStep(handles[op.what & 1], FuzzedStep((op.what >> 1) % 3), op.argument, content,
                        content.size(), true, buffer);
    }
    vfclose(handles[0]);
    vfclose(handles[1]);
    if (vfunmount("stored.zip") != kMountOk) {
        std::abort();
    }
    return 0;
}
