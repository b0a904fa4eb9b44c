#include "fuzz/memory_archive.h"

#include "tests/vfs/zip_writer.h"
#include "vfs/mount.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

const char kArchiveName[] = "fuzz.zip";

MemoryArchive::MemoryArchive(const std::vector<MemoryFile>& files) {
    std::vector<ZipItem> items;
    for (const MemoryFile& file : files) {
        items.push_back(ZipItem(file.name, "", file.compressed ? 8 : 0));
        items.back().data = file.data;
        items.back().declaredSize = file.compressed ? file.size : file.data.size();
    }
    bytes_ = MakeZip(items).bytes;
    if (vfmountbytes(kArchiveName, bytes_.data(), bytes_.size()) != kMountOk) {
        std::abort();
    }
}

MemoryArchive::~MemoryArchive() {
    if (vfunmount(kArchiveName) != kMountOk) {
        std::abort(); // a handle left open
    }
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
