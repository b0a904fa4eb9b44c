#include "tests/vfs/archive_fixture.h"

#include "tests/vfs/zip_writer.h"
#include "vfs/mount.h"

#include <stdexcept>

TestArchive::TestArchive(const std::string& name, const std::vector<FixtureEntry>& entries)
    : name_(name) {
    std::vector<ZipItem> items;
    for (const FixtureEntry& fixture : entries) {
        ZipItem item(fixture.name, fixture.content, fixture.compressed ? 8 : 0);
        if (fixture.data) {
            item.data = *fixture.data;
        }
        if (fixture.claimedSize >= 0) {
            item.declaredSize = uint64_t(fixture.claimedSize);
        }
        items.push_back(item);
    }
    bytes_ = MakeZip(items).bytes;
    MountResult result = vfmountbytes(name_.c_str(), bytes_.data(), bytes_.size());
    if (result != kMountOk) {
        throw std::runtime_error(name_ + ": " + MountResultText(result));
    }
}

TestArchive::~TestArchive() {
    vfunmount(name_.c_str());
}

std::string ReadRest(FILE* handle, size_t piece) {
    std::string all;
    std::string buffer(piece, '\0');
    for (;;) {
        size_t got = vfread(&buffer[0], 1, piece, handle);
        all.append(buffer, 0, got);
        if (got < piece) {
            return all;
        }
    }
}
