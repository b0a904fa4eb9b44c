#include "tests/vfs/archive_fixture.h"

#include "vfs/pack_index.h"

#include "platform/win32.h"
#include "vfs/vfile.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <zlib.h>

TestArchive::TestArchive(const std::string& path, const std::vector<FixtureEntry>& entries) {
    std::ofstream file(path, std::ios::binary);
    file << "archive header"; // data does not start at offset 0
    for (const FixtureEntry& fixture : entries) {
        std::string data = fixture.data         ? *fixture.data
                           : fixture.compressed ? Deflate(fixture.content)
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

TemporaryFolder::TemporaryFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
        auto folder =
            std::filesystem::temp_directory_path() / ("ferrox-vfs-" + std::to_string(random()));
        if (std::filesystem::create_directory(folder)) {
            folder_ = folder.string();
        }
    }
    if (folder_.empty()) {
        throw std::runtime_error("no temporary folder");
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string Deflate(const std::string& bytes) {
    z_stream stream = {};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&stream, uLong(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = uInt(out.size());
    int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("deflate");
    }
    return out;
}

std::string TextLike(size_t length) {
    static const char* const kWords[] = {"JavaClasses", "(",   "\"code\"", ")", "size",
                                         "640",         "480", "{",        "}", "// a comment",
                                         "level",       "name"};
    std::mt19937 random(7);
    std::string text;
    while (text.size() < length) {
        text += kWords[random() % 12];
        text += random() % 8 == 0 ? "\r\n" : " ";
    }
    text.resize(length);
    return text;
}

std::string Noise(size_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(length, '\0');
    for (char& byte : bytes) {
        byte = char(random());
    }
    return bytes;
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
