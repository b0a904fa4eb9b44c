// Two stored entries of one archive file, read through two handles in a fuzzed sequence of
// seeks and reads, so that reads on the shared file come in every order: each must give
// exactly the content's bytes at its handle's position.
//   byte 0: the number of operations n (0 to 31); then n operations of three bytes (which
//   handle and what, and a 16-bit argument); the rest, repeated to at least 96 KiB so that
//   reads both large and small come up, is the content of both entries.
#include "fuzz/memory_archive.h"
#include "tests/vfs/zip_writer.h"
#include "vfs/mount.h"
#include "vfs/vfile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzFolder();
    if (size < 1) {
        return 0;
    }
    size_t operations = std::min<size_t>(data[0] % 32, (size - 1) / 3);
    const uint8_t* op = data + 1;
    const std::string rest(reinterpret_cast<const char*>(op + 3 * operations),
                           size - 1 - 3 * operations);
    std::string content = rest;
    while (!rest.empty() && content.size() < 96 * 1024) {
        content += rest;
    }
    std::ofstream("stored.zip", std::ios::binary)
        << MakeZip({ZipStored("a", content), ZipStored("b", content)}).bytes;
    if (vfmount("stored.zip") != kMountOk) {
        std::abort();
    }
    FILE* handles[2] = {vfopen("a", "rb"), vfopen("b", "rb")};
    std::string buffer(65536, '\0');
    for (size_t i = 0; i < operations; ++i, op += 3) {
        FILE* file = handles[op[0] & 1];
        uint32_t argument = uint32_t(op[1]) | uint32_t(op[2]) << 8;
        long position = vftell(file);
        switch ((op[0] >> 1) % 3) {
        case 0:
            vfseek(file, long(argument % (content.size() + 2)), SEEK_SET);
            break;
        case 1:
            vfseek(file, long(argument) - 32768, SEEK_CUR);
            break;
        default: {
            size_t got = vfread(&buffer[0], 1, argument, file);
            size_t expected = std::min<size_t>(argument, content.size() - size_t(position));
            if (got != expected ||
                std::memcmp(buffer.data(), content.data() + position, got) != 0 ||
                vftell(file) != long(position + got)) {
                std::abort(); // not the content's bytes at this position
            }
        }
        }
    }
    vfclose(handles[0]);
    vfclose(handles[1]);
    if (vfunmount("stored.zip") != kMountOk) {
        std::abort();
    }
    return 0;
}
