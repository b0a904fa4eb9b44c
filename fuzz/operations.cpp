#include "fuzz/operations.h"

#include "vfs/vfile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

FuzzInput SplitFuzzInput(const uint8_t* data, size_t size) {
    FuzzInput input;
    size_t count = size == 0 ? 0 : std::min<size_t>(data[0] % 32, (size - 1) / 3);
    const uint8_t* op = data + 1;
    for (size_t i = 0; i < count; ++i, op += 3) {
        input.operations.push_back({op[0], uint32_t(op[1]) | uint32_t(op[2]) << 8});
    }
    if (size > 1 + 3 * count) {
        input.rest.assign(reinterpret_cast<const char*>(op), size - 1 - 3 * count);
    }
    return input;
}

void ApplyFuzzedStep(FILE* file, FuzzedStep step, uint32_t argument, const std::string& expected,
                     size_t length, bool whole, std::string& buffer) {
    long position = vftell(file);
    switch (step) {
    case kSeekFromStart:
        vfseek(file, long(argument % (length + 2)), SEEK_SET);
        return;
    case kSeekFromHere:
        vfseek(file, long(argument) - 32768, SEEK_CUR);
        return;
    case kRead:
        break;
    }
    buffer.resize(std::max<size_t>(buffer.size(), argument));
    size_t got = vfread(&buffer[0], 1, argument, file);
    if (got > 0 && (size_t(position) + got > expected.size() ||
                    std::memcmp(buffer.data(), expected.data() + position, got) != 0)) {
        std::abort(); // not the expected bytes at this position
    }
    if (whole && got != std::min<size_t>(argument, expected.size() - size_t(position))) {
        std::abort(); // fewer than the content holds there
    }
    if (vftell(file) != long(position + got)) {
        std::abort();
    }
}
