#include "tests/vfs/archive_fixture.h"

#include "vfs/pack_index.h"

#include "platform/win32.h"
#include "vfs/vfile.h"

#include <fstream>
#include <stdexcept>

TestArchive::TestArchive(const std::string& path, const std::vector<FixtureEntry>& entries) {
    std::ofstream file(path, std::ios::binary);
    file << "archive header"; // data does not start at offset 0
    for (const FixtureEntry& fixture : entries) {
        std::string data = fixture.data         ? *fixture.data
                           : fixture.compressed ? RawDeflate(fixture.content)
                                                : fixture.content;
        PackEntry entry = {};
        entry.dataOffset = uint32_t(file.tellp());
        entry.compressedSize = uint32_t(data.size());
        entry.size =
            uint32_t(fixture.claimedSize >= 0 ? fixture.claimedSize : fixture.content.size());
        entry.compressed = fixture.compressed;
        file << data;
        this->entries.push_back(entry);
        names_.push_back(fixture.name);
    }
    file << "archive trailer";
    file.close();
    archive.file = fopen(path.c_str(), "rb");
    if (!archive.file) {
        throw std::runtime_error("cannot open " + path);
    }
    for (size_t i = 0; i < this->entries.size(); ++i) {
        this->entries[i].archive = &archive;
        this->entries[i].name = &names_[i][0];
    }
    archive.entries = this->entries.data();
    archive.entryCount = uint32_t(this->entries.size());
    if (!IndexArchiveEntries(&archive)) {
        throw std::runtime_error("index full");
    }
}

TestArchive::~TestArchive() {
    UnindexArchiveEntries(&archive);
    fclose(archive.file);
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
