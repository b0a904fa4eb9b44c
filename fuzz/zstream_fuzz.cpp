// A compressed archive entry with fuzzed deflate data, read through a fuzzed sequence of seeks
// and reads of various sizes. Whatever comes out must be exactly what zlib's own inflate of the
// same bytes gives at that position.
// The input is split as fuzz/operations.h says; the rest is the raw deflate data.
#include "fuzz/memory_archive.h"
#include "fuzz/operations.h"
#include "vfs/vfile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <zlib.h>

namespace {

const size_t kMostContent = 1 << 20;

// What zlib's inflate makes of the data in one call, up to its end or first error.
std::string Reference(const std::string& data) {
    std::string out(kMostContent, '\0');
    z_stream stream = {};
    inflateInit2(&stream, -15);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = uInt(out.size());
    inflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzFolder();
    FuzzInput input = SplitFuzzInput(data, size);
    std::string reference = Reference(input.rest);
    // The entry claims a little more than the data holds now and then, as damaged archives do.
    uint32_t claimed = uint32_t(
        reference.size() + (input.operations.empty() ? 0 : input.operations[0].what % 3) * 1000);
    MemoryArchive archive({{"entry", input.rest, true, claimed}});
    FILE* file = vfopen("entry", "rb");
    std::string buffer;
    for (const FuzzedOperation& op : input.operations) {
        FuzzedStep step = FuzzedStep(std::min(op.what % 4, 2));
        ApplyFuzzedStep(file, step, op.argument, reference, claimed, false, buffer);
    }
    vfclose(file);
    return 0;
}
