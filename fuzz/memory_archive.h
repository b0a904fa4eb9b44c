// Files for fuzz targets, held in memory as entries of an archive in the file layer's index,
// so that every open of one of the names finds the fuzzed bytes without touching the disk.
#pragma once

#include "vfs/pack.h"

#include <string>
#include <vector>

struct MemoryFile {
    std::string name; // normalised
    std::string data; // the entry's bytes in the archive
    bool compressed = false;
    uint32_t size = 0; // what the entry claims its content is; the data's size when stored
};

class MemoryArchive {
public:
    explicit MemoryArchive(std::vector<MemoryFile> files);
    ~MemoryArchive();
    MemoryArchive(const MemoryArchive&) = delete;
    MemoryArchive& operator=(const MemoryArchive&) = delete;

private:
    std::vector<MemoryFile> files_;
    std::string bytes_;
    PackArchive archive_ = {};
    std::vector<PackEntry> entries_;
};

// Fuzzing runs in an empty folder of its own, where the diagnostic log's file is the null
// device, so that millions of reports cost nothing and no file on disk shadows an entry.
void EnterFuzzFolder();
