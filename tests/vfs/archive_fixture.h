// Archives made by hand for the file layer's tests: one file that holds the entries' data one
// after another, stored as it is or as a raw deflate stream, and its PackArchive and PackEntry
// records in the index, as a mount leaves them.
#pragma once

#include "tests/support/temporary_folder.h"
#include "tests/support/test_data.h"
#include "vfs/pack.h"

#include <string>
#include <vector>

struct FixtureEntry {
    std::string name;    // as indexed: normalised
    std::string content; // what reading the entry gives
    bool compressed = false;
    // The bytes in the archive when they are not simply the content (or its deflate stream),
    // and the size the entry claims when it is not the content's: for broken entries.
    const std::string* data = nullptr;
    long long claimedSize = -1;
};

class TestArchive {
public:
    TestArchive(const std::string& path, const std::vector<FixtureEntry>& entries);
    ~TestArchive();
    TestArchive(const TestArchive&) = delete;
    TestArchive& operator=(const TestArchive&) = delete;

    PackArchive archive = {};
    std::vector<PackEntry> entries;

private:
    std::vector<std::string> names_;
};

// Everything a handle gives from its position on, read in pieces of `piece` bytes.
std::string ReadRest(FILE* handle, size_t piece);
