// Archives made by hand for the file layer's tests: one file that holds the entries' data one
// after another, stored as it is or as a raw deflate stream, and its PackArchive and PackEntry
// records in the index, as a mount leaves them.
#pragma once

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

// A fresh folder, removed with everything in it when the object goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
};

std::string Deflate(const std::string& bytes);   // a raw deflate stream, no header or trailer
std::string TextLike(size_t length);             // words and lines, compresses like game text
std::string Noise(size_t length, unsigned seed); // compresses hardly at all
// Everything a handle gives from its position on, read in pieces of `piece` bytes.
std::string ReadRest(FILE* handle, size_t piece);
