// Fuzz inputs that move and read file handles: byte 0 gives the number of operations n (0 to
// 31), then come n operations of three bytes (what to do, and a 16-bit argument), then the
// bytes the target makes its files of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct FuzzedOperation {
    uint8_t what;
    uint32_t argument;
};

struct FuzzInput {
    std::vector<FuzzedOperation> operations;
    std::string rest;
};

FuzzInput SplitFuzzInput(const uint8_t* data, size_t size);

enum FuzzedStep { kSeekFromStart, kSeekFromHere, kRead };

// One step on `file`, whose content is `expected` and whose length is `length`: a seek to
// somewhere within the length or just past it, a seek back or forward, or a read into `buffer`.
// A read must give the expected bytes at the position and move it by their count; with
// `whole`, also every byte the content holds there, up to the argument. Aborts otherwise.
void ApplyFuzzedStep(FILE* file, FuzzedStep step, uint32_t argument, const std::string& expected,
                     size_t length, bool whole, std::string& buffer);
