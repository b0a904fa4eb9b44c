// Files for fuzz targets, held in memory as entries of a ZIP archive mounted from memory, so
// that every open of one of the names finds the fuzzed bytes without touching the disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MemoryFile {
    std::string name;
    std::string data; // the entry's bytes in the archive
    bool compressed = false;
    uint32_t size = 0; // what a compressed entry claims its content is
};

class MemoryArchive {
public:
    explicit MemoryArchive(const std::vector<MemoryFile>& files);
    ~MemoryArchive();
    MemoryArchive(const MemoryArchive&) = delete;
    MemoryArchive& operator=(const MemoryArchive&) = delete;

private:
    std::string bytes_;
};

// Fuzzing runs in an empty folder of its own, where the diagnostic log's file is the null
// device, so that millions of reports cost nothing and no file on disk shadows an entry.
void EnterFuzzFolder();
