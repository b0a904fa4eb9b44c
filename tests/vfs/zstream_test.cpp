// Compressed archive entries read through the file layer: whole, in pieces, with seeks both
// ways, and with broken deflate data.
#include "tests/vfs/archive_fixture.h"

#include "vfs/internal/zstream.h"
#include "vfs/vfile.h"

#include <gtest/gtest.h>

namespace {

class CompressedEntries : public ::testing::Test {
protected:
    const std::string text_ = TextLike(600000);
    const std::string noise_ = NoisyBytes(3000000, 1); // compressed, still more than the buffer
    TestArchive archive_{"pack.zip",
                         {{"text", text_, true}, {"noise", noise_, true}, {"empty", "", true}}};

    // Reads the entry as the script reader does: seek to the end, tell, back, one read.
    std::string ReadWhole(const char* name) {
        FILE* handle = vfopen(name, "rb");
        EXPECT_NE(handle, nullptr);
        vfseek(handle, 0, SEEK_END);
        long size = vftell(handle);
        vfseek(handle, 0, SEEK_SET);
        std::string content(size_t(size), '\0');
        EXPECT_EQ(vfread(&content[0], 1, content.size(), handle), content.size());
        vfclose(handle);
        return content;
    }
};

TEST_F(CompressedEntries, ReadWholeInPiecesAndInHalves) {
    EXPECT_TRUE(ReadWhole("text") == text_);
    EXPECT_TRUE(ReadWhole("noise") == noise_);
    EXPECT_EQ(ReadWhole("empty"), "");
    for (size_t piece : {size_t(1) << 12, size_t(1) << 16, size_t(999)}) {
        FILE* handle = vfopen("noise", "rb");
        EXPECT_TRUE(ReadRest(handle, piece) == noise_) << piece;
        vfclose(handle);
    }
    FILE* halves = vfopen("text", "rb");
    std::string first(text_.size() / 2, '\0'), second(text_.size() - first.size(), '\0');
    EXPECT_EQ(vfread(&first[0], 1, first.size(), halves), first.size());
    EXPECT_EQ(vfread(&second[0], 1, second.size(), halves), second.size());
    EXPECT_TRUE(first + second == text_);
    vfclose(halves);
}

TEST_F(CompressedEntries, ReadAheadBufferIsCappedAtOneMebibyte) {
    const struct {
        const char* name;
        uint32_t capacity;
    } cases[] = {{"text", vflookup("text")->compressedSize}, {"noise", 0x100000}};
    for (const auto& c : cases) {
        FILE* handle = vfopen(c.name, "rb");
        PackHandle* pack = reinterpret_cast<PackHandle*>(handle);
        EXPECT_EQ(pack->streamActive, 0); // nothing happens before the first read
        char byte;
        EXPECT_EQ(vfread(&byte, 1, 1, handle), 1u);
        EXPECT_EQ(pack->capacity, c.capacity) << c.name;
        vfclose(handle);
    }
}

TEST_F(CompressedEntries, SeeksForwardAndBackAnywhere) {
    const long positions[] = {0, 200000, 200000, 4096, 2999990, 0, 1500000, 65536, 3000000};
    FILE* handle = vfopen("noise", "rb");
    for (long position : positions) {
        char bytes[16] = {};
        ASSERT_EQ(vfseek(handle, position, SEEK_SET), 0);
        size_t expected = std::min<size_t>(16, noise_.size() - size_t(position));
        EXPECT_EQ(vfread(bytes, 1, 16, handle), expected) << position;
        EXPECT_EQ(std::string(bytes, expected), noise_.substr(size_t(position), expected))
            << position;
    }
    vfclose(handle);
}

TEST(BrokenDeflateData, ReadsStopWithWhatCameOut) {
    const std::string content = TextLike(100000);
    const std::string stream = RawDeflate(content);
    const std::string truncated = stream.substr(0, stream.size() / 2);
    const std::string garbage = NoisyBytes(5000, 2);
    const std::string nothing;
    TestArchive archive("broken.zip",
                        {{"garbage", content, true, &garbage},
                         {"longer", content, true, &stream, 150000}, // claims more than it holds
                         {"shorter", content, true, &stream, 50000}, // claims less
                         {"nothing", content, true, &nothing},
                         {"truncated", content, true, &truncated}});
    const struct {
        const char* name;
        bool prefix;    // what comes out is the start of the content
        size_t atLeast; // and at least this much of it
        size_t atMost;
        long seekPast; // 0 when a seek to 120000 lies inside the claimed size
    } cases[] = {
        {"garbage", false, 0, 100000, 1},   {"longer", true, 100000, 100000, 0},
        {"shorter", true, 50000, 50000, 1}, {"nothing", true, 0, 0, 1},
        {"truncated", true, 1, 99999, 1},
    };
    for (const auto& c : cases) {
        FILE* handle = vfopen(c.name, "rb");
        ASSERT_NE(handle, nullptr) << c.name;
        std::string got = ReadRest(handle, 4096);
        EXPECT_GE(got.size(), c.atLeast) << c.name;
        EXPECT_LE(got.size(), c.atMost) << c.name;
        if (c.prefix) {
            EXPECT_TRUE(got == content.substr(0, got.size())) << c.name;
        }
        // One read of the whole claimed size gives the same as the pieces.
        FILE* whole = vfopen(c.name, "rb");
        vfseek(whole, 0, SEEK_END);
        std::string all(size_t(vftell(whole)), '\0');
        vfseek(whole, 0, SEEK_SET);
        all.resize(vfread(&all[0], 1, all.size(), whole));
        EXPECT_TRUE(all == got) << c.name;
        vfclose(whole);
        // Past what the data holds a read gives nothing, also after a seek further on.
        EXPECT_EQ(vfseek(handle, 120000, SEEK_SET), c.seekPast) << c.name;
        char byte;
        EXPECT_EQ(vfread(&byte, 1, 1, handle), 0u) << c.name;
        vfclose(handle);
    }
    FILE* longer = vfopen("longer", "rb");
    EXPECT_TRUE(ReadRest(longer, 7000) == content);
    // A seek back restarts the stream from the entry's first byte.
    ASSERT_EQ(vfseek(longer, 10, SEEK_SET), 0);
    char bytes[5];
    EXPECT_EQ(vfread(bytes, 1, 5, longer), 5u);
    EXPECT_EQ(std::string(bytes, 5), content.substr(10, 5));
    vfclose(longer);
}

} // namespace
