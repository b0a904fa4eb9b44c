#include "fuzz/memory_archive.h"

#include "vfs/pack_index.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

MemoryArchive::MemoryArchive(std::vector<MemoryFile> files) : files_(std::move(files)) {
    for (MemoryFile& file : files_) {
        PackEntry entry = {};
        entry.dataOffset = uint32_t(bytes_.size());
        entry.compressedSize = uint32_t(file.data.size());
        entry.size = file.compressed ? file.size : uint32_t(file.data.size());
        entry.compressed = file.compressed;
        entry.name = &file.name[0];
        entry.archive = &archive_;
        bytes_ += file.data;
        entries_.push_back(entry);
    }
    bytes_ += '\0'; // fmemopen wants at least one byte
    archive_.file = fmemopen(&bytes_[0], bytes_.size(), "rb");
    archive_.entries = entries_.data();
    archive_.entryCount = uint32_t(entries_.size());
    if (!archive_.file || !IndexArchiveEntries(&archive_)) {
        std::abort();
    }
}

MemoryArchive::~MemoryArchive() {
    UnindexArchiveEntries(&archive_);
    fclose(archive_.file);
}

void EnterFuzzFolder() {
    static bool entered = false;
    if (entered) {
        return;
    }
    entered = true;
    auto folder =
        std::filesystem::temp_directory_path() / ("ferrox-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    std::filesystem::remove("crash.log");
    std::filesystem::create_symlink("/dev/null", "crash.log");
}
