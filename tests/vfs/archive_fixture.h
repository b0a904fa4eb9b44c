// Archives made in memory for the file layer's tests and mounted from there: entries stored as
// they are or deflated, and broken ones whose data or claimed size is not what the content
// needs.
#pragma once

#include "tests/support/temporary_folder.h"
#include "tests/support/test_data.h"
#include "vfs/vfile.h"

#include <string>
#include <vector>

struct FixtureEntry {
    std::string name;
    std::string content; // what reading the entry gives
    bool compressed = false;
    // The bytes in the archive when they are not simply the content (or its deflate stream),
    // and the size the entry claims when it is not the content's: for broken entries.
    const std::string* data = nullptr;
    long long claimedSize = -1;
};

// Mounted under `name` while it lives.
class TestArchive {
public:
    TestArchive(const std::string& name, const std::vector<FixtureEntry>& entries);
    ~TestArchive();
    TestArchive(const TestArchive&) = delete;
    TestArchive& operator=(const TestArchive&) = delete;

    const char* name() const { return name_.c_str(); }

private:
    std::string name_;
    std::string bytes_;
};

// Everything a handle gives from its position on, read in pieces of `piece` bytes.
std::string ReadRest(FILE* handle, size_t piece);
