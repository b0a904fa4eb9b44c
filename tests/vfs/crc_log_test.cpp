// The file checksum log: names, buckets, CRCs of real files and ranges of them, the running
// sum, the shared node pool, and the files a parse records.
#include "vfs/crc_log.h"

#include "diag/log.h"
#include "script/parser.h"
#include "tests/support/temporary_folder.h"
#include "tests/support/test_data.h"

#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <zlib.h>

namespace {

uint32_t ZlibCrc(const std::string& bytes) {
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size())));
}

// The reflected CRC-32 step, one byte at a time from a table, with no preset and no inversion.
uint32_t TableStep(uint32_t crc, const std::string& bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            entries[i] = c;
        }
        return entries;
    }();
    for (unsigned char byte : bytes) {
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

std::string& Echoed() {
    static std::string echoed;
    return echoed;
}

// Every test works in a fresh folder that is also the working folder: the log names files
// relative to it.
class CRCLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.Folder());
        Echoed().clear();
        SetLogEchoHook([](const char* message) { Echoed() += message; });
    }
    void TearDown() override {
        SetLogEchoHook(nullptr);
        InstallCRCLog(nullptr);
        std::filesystem::current_path(previous_);
    }
    void Write(const std::string& name, const std::string& bytes) const {
        std::filesystem::path path = folder_.Path(name);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    TemporaryFolder folder_;
    std::filesystem::path previous_;
    CCRCLog log_;
};

TEST_F(CRCLogTest, SpellingsOfOneFileShareOneItem) {
    Write("Data/Game.ini", "size(640, 480)");
    ASSERT_EQ(log_.AddFile("./Data/Game.ini"), 1);
    CRCItem* item = log_.FindItem("data\\game.ini");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->name, "data\\game.ini");
    EXPECT_EQ(item->crc, ZlibCrc("size(640, 480)"));
    for (const char* same : {"./Data/Game.ini", "data\\GAME.INI", "/data/game.ini",
                             "..\\data/game.ini", "\\./..data\\Game.ini"}) {
        EXPECT_EQ(log_.FindItem(same), item) << same;
        EXPECT_EQ(log_.AddFile(same), 0) << same;
    }
    for (const char* other : {"data\\game.ini2", "data\\gameXini", "game.ini", "data\\game.in",
                              "data\\\\game.ini", ""}) {
        EXPECT_EQ(log_.FindItem(other), nullptr) << other;
    }
    EXPECT_EQ(log_.FindItem(nullptr), nullptr);
    EXPECT_EQ(log_.AddFile(nullptr), 0);
    EXPECT_EQ(log_.AddItem(nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(log_.itemCount, 1);

    log_.AddItem(".hidden");
    EXPECT_NE(log_.FindItem("hidden"), nullptr);
    // Long names are cut to 259 characters, so names that differ only beyond that are one.
    std::string longName(300, 'x');
    log_.AddItem(longName.c_str());
    CRCItem* cut = log_.FindItem((std::string(259, 'X') + "differs").c_str());
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(std::string(cut->name), std::string(259, 'x'));
    EXPECT_EQ(log_.itemCount, 3);
}

// A bucket's names from head to tail, and from tail to head when the two walks differ.
std::string Walk(const CCRCLog::Bucket& bucket) {
    std::string forward, backward;
    for (const CRCNode* node = bucket.head; node && forward.size() < 1000; node = node->next) {
        forward += std::string(node->item.name) + "|";
    }
    for (const CRCNode* node = bucket.tail; node && backward.size() < 1000; node = node->previous) {
        backward = std::string(node->item.name) + "|" + backward;
    }
    return forward == backward ? forward : forward + " back: " + backward;
}

TEST_F(CRCLogTest, ItemsAreLinkedInTheirBucketsInOrder) {
    for (const char* name : {"data\\game.ini", "F37", "a", "f73", "game.ini"}) {
        log_.AddItem(name);
    }
    // Buckets worked out by hand from the names' hash.
    const struct {
        int bucket;
        const char* names;
    } cases[] = {{67, "data\\game.ini|f37|f73|"}, {96, "a|"}, {111, "game.ini|"}, {0, ""}};
    int32_t listed = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(Walk(log_.buckets[c.bucket]), c.names) << c.bucket;
        listed += log_.buckets[c.bucket].count;
    }
    EXPECT_EQ(listed, 5);
    EXPECT_EQ(log_.itemCount, 5);
    EXPECT_STREQ(log_.FindItem("F73")->name, "f73");
}

TEST_F(CRCLogTest, RecordsTheCRCOfEachFile) {
    const struct {
        const char* name;
        bool exists;
        std::string bytes;
    } cases[] = {
        {"empty.bin", true, ""},
        {"one.bin", true, "\x80"},
        {"chunk.bin", true, NoisyBytes(16384, 1)},
        {"chunk-and-one.bin", true, NoisyBytes(16385, 2)},
        {"big.bin", true, NoisyBytes(100000, 3)},
        {"missing.bin", false, ""},
    };
    for (const auto& c : cases) {
        if (c.exists) {
            Write(c.name, c.bytes);
        }
        // An empty or missing file has no CRC: it is recorded as 0xFFFFFFFF.
        bool computable = !c.bytes.empty();
        uint32_t expected = computable ? ZlibCrc(c.bytes) : 0xFFFFFFFF;
        uint32_t direct = 0x12345678;
        EXPECT_EQ(CRC32OfFile(c.name, 0, -1, &direct), computable ? 1 : 0) << c.name;
        EXPECT_EQ(direct, computable ? expected : 0x12345678u) << c.name;
        EXPECT_EQ(log_.AddItem(c.name), expected) << c.name;
        CRCItem* item = log_.FindItem(c.name);
        ASSERT_NE(item, nullptr) << c.name;
        EXPECT_EQ(item->crc, expected) << c.name;
        EXPECT_EQ(item->computed, 1) << c.name;
        EXPECT_EQ(item->summed, 0) << c.name;
    }
}

TEST(CRC32Block, StepsLikeTheTableWithoutPresetOrInversion) {
    std::string data = NoisyBytes(5000, 4);
    for (int length : {1, 2, 3, 7, 255, 1024, 4097, 5000}) {
        for (uint32_t start : {0u, 0xFFFFFFFFu, 0x9E3779B9u}) {
            uint32_t crc = start;
            ASSERT_EQ(CRC32Block(data.data(), length, &crc), 1);
            EXPECT_EQ(crc, TableStep(start, data.substr(0, size_t(length))))
                << length << " from " << start;
        }
    }
    // Two blocks in a row make the same value as one over both.
    uint32_t crc = 0xFFFFFFFF;
    CRC32Block(data.data(), 1001, &crc);
    CRC32Block(data.data() + 1001, 3999, &crc);
    EXPECT_EQ(crc, TableStep(0xFFFFFFFF, data));

    uint32_t untouched = 0xCAFEF00D;
    EXPECT_EQ(CRC32Block(nullptr, 10, &untouched), 0);
    EXPECT_EQ(CRC32Block(data.data(), 0, &untouched), 0);
    EXPECT_EQ(CRC32Block(data.data(), -5, &untouched), 0);
    EXPECT_EQ(CRC32Block(data.data(), 10, nullptr), 0);
    EXPECT_EQ(untouched, 0xCAFEF00Du);
}

TEST_F(CRCLogTest, StreamRangesIncludeBothEnds) {
    const std::string bytes = NoisyBytes(40000, 5);
    Write("range.bin", bytes);
    const struct {
        int32_t start, end;
        bool ok;
        int32_t first, last; // the bytes checksummed, when ok
    } cases[] = {
        {100, 199, true, 100, 199},
        {0, -1, true, 0, 39999},
        {30000, -1, true, 30000, 39999},
        {39999, 39999, true, 39999, 39999},
        {1000, 1000 + 16384, true, 1000, 17384}, // just over one chunk
        {10, 9, false, 0, 0},
        {-1, 10, false, 0, 0},
        {40000, -1, false, 0, 0},
        {0, 40000, false, 0, 0},
        {5, -2, false, 0, 0},
    };
    FILE* stream = std::fopen("range.bin", "rb");
    ASSERT_NE(stream, nullptr);
    for (const auto& c : cases) {
        uint32_t crc = 0x0BADF00D;
        EXPECT_EQ(CRC32OfStream(stream, c.start, c.end, &crc), c.ok ? 1 : 0)
            << c.start << ".." << c.end;
        EXPECT_EQ(crc, c.ok ? ZlibCrc(bytes.substr(size_t(c.first), size_t(c.last - c.first + 1)))
                            : 0x0BADF00Du)
            << c.start << ".." << c.end;
    }
    std::fclose(stream);
    uint32_t crc = 0;
    EXPECT_EQ(CRC32OfStream(nullptr, 0, -1, &crc), 0);
    // A stream that cannot be read gives up with the running value as it stood.
    FILE* writeOnly = std::fopen("range.bin", "ab");
    ASSERT_NE(writeOnly, nullptr);
    EXPECT_EQ(CRC32OfStream(writeOnly, 0, -1, &crc), 0);
    EXPECT_EQ(crc, 0xFFFFFFFFu);
    std::fclose(writeOnly);
    EXPECT_EQ(CRC32OfFile("range.bin", 100, 199, &crc), 1);
    EXPECT_EQ(crc, ZlibCrc(bytes.substr(100, 100)));
}

TEST_F(CRCLogTest, AFileIsReadOnceByAddFile) {
    Write("a.ini", "first");
    log_.AddItem("___SUM___");
    log_.FindItem("___SUM___")->crc = 0;
    log_.sumEnabled = 1;
    ASSERT_EQ(log_.AddFile("a.ini"), 1);
    CRCItem* item = log_.FindItem("a.ini");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->crc, ZlibCrc("first"));
    EXPECT_EQ(item->summed, 1);

    // Changed or gone, the file is not read again; the sum gains nothing.
    Write("a.ini", "second");
    EXPECT_EQ(log_.AddFile("a.ini"), 0);
    std::filesystem::remove(folder_.Path("a.ini"));
    EXPECT_EQ(log_.AddFile("A.INI"), 0);
    EXPECT_EQ(item->crc, ZlibCrc("first"));
    EXPECT_EQ(log_.FindItem("___SUM___")->crc, ZlibCrc("first"));

    // An item recorded but not computed in this process is read, and summed, once more.
    Write("a.ini", "third");
    item->computed = 0;
    EXPECT_EQ(log_.AddFile("a.ini"), 1);
    EXPECT_EQ(item->crc, ZlibCrc("third"));
    EXPECT_EQ(item->computed, 1);
    EXPECT_EQ(log_.FindItem("___SUM___")->crc, uint32_t(ZlibCrc("first") + ZlibCrc("third")));
    // AddItem reads the file on every call.
    std::filesystem::remove(folder_.Path("a.ini"));
    EXPECT_EQ(log_.AddItem("a.ini"), 0xFFFFFFFFu);
    EXPECT_EQ(item->crc, 0xFFFFFFFFu);
    EXPECT_EQ(log_.itemCount, 2);
    EXPECT_EQ(Echoed(), "");
}

TEST_F(CRCLogTest, SumsTheCRCsOfTheFilesAdded) {
    Write("a.bin", NoisyBytes(700, 6));
    Write("b.bin", NoisyBytes(900, 7));
    const uint32_t a = ZlibCrc(NoisyBytes(700, 6)), b = ZlibCrc(NoisyBytes(900, 7));
    const std::string noSum = "[CCRCLog::IncSum] no sum item !!!\n";
    const struct {
        const char* what;
        uint8_t enabled;
        bool sumItem;
        uint32_t startSum, endSum;
        std::string echoed;
    } cases[] = {
        {"summing off", 0, true, 0, 0, ""},
        {"summing on", 1, true, 0, uint32_t(a + b), ""},
        {"sum wraps", 1, true, 0xFFFFFFF0u, uint32_t(0xFFFFFFF0u + a + b), ""},
        {"no sum item", 1, false, 0, 0, noSum + noSum + noSum},
    };
    ASSERT_LT(uint32_t(0xFFFFFFF0u + a + b), 0xFFFFFFF0u); // the third case does wrap
    for (const auto& c : cases) {
        CCRCLog log;
        Echoed().clear();
        if (c.sumItem) {
            log.AddItem("___SUM___"); // no such file: its CRC is then set by hand
            log.FindItem("___SUM___")->crc = c.startSum;
        }
        log.sumEnabled = c.enabled;
        log.AddFile("a.bin");
        log.AddFile("b.bin");
        log.AddFile("a.bin"); // adds 0
        CRCItem* sum = log.FindItem("___SUM___");
        EXPECT_EQ(sum ? sum->crc : 0u, c.endSum) << c.what;
        EXPECT_EQ(log.FindItem("b.bin")->summed, c.enabled) << c.what;
        EXPECT_EQ(Echoed(), c.echoed) << c.what;
    }
}

TEST_F(CRCLogTest, AFullPoolBlockGivesWayToANewOne) {
    // The pool is shared: fill its blocks, at least one, then add one item more.
    int added = 0;
    char name[32];
    while ((CRCNodePoolUsed() < 128 || CRCNodePoolUsed() % 128 != 0) && added < 256) {
        std::snprintf(name, sizeof name, "pool\\%d", added++);
        log_.AddItem(name);
    }
    const int32_t blocks = CRCNodePoolBlocks();
    ASSERT_GE(blocks, 1);
    ASSERT_EQ(CRCNodePoolUsed(), blocks * 128);
    std::snprintf(name, sizeof name, "pool\\%d", added++);
    log_.AddItem(name);
    EXPECT_EQ(CRCNodePoolBlocks(), blocks + 1);
    EXPECT_EQ(CRCNodePoolUsed(), blocks * 128 + 1);
    EXPECT_EQ(log_.itemCount, added);
    for (int i = 0; i < added; ++i) {
        std::snprintf(name, sizeof name, "pool\\%d", i);
        const CRCItem* item = log_.FindItem(name);
        ASSERT_NE(item, nullptr) << name;
        EXPECT_STREQ(item->name, name);
    }
}

TEST_F(CRCLogTest, AParseRecordsEveryFileItOpens) {
    const std::string game = "!size(i, i)\r\nsize(1, 2)\r\n!include(\"Data/Extra.ini\")\r\n";
    const std::string extra = "size(3, 4)\r\n!include(\"More.ini\")\r\n";
    const std::string more = "size(5, 6)\r\n";
    Write("game.ini", game);
    Write("Data/Extra.ini", extra);
    Write("Data/More.ini", more);
    EXPECT_EQ(InstalledCRCLog(), nullptr);
    InstallCRCLog(&log_);
    ASSERT_EQ(InstalledCRCLog(), &log_);
    ScriptEntry* entries = ParseScriptFile("game.ini");
    EXPECT_NE(entries, nullptr);
    delete entries;
    const struct {
        const char* name;
        const std::string& bytes;
    } recorded[] = {{"game.ini", game}, {"data\\extra.ini", extra}, {"data\\more.ini", more}};
    for (const auto& r : recorded) {
        CRCItem* item = log_.FindItem(r.name);
        ASSERT_NE(item, nullptr) << r.name;
        EXPECT_EQ(item->crc, ZlibCrc(r.bytes)) << r.name;
    }
    EXPECT_EQ(log_.itemCount, 3);

    InstallCRCLog(nullptr);
    Write("other.ini", "!size(i, i)\r\nsize(7, 8)\r\n");
    delete ParseScriptFile("other.ini");
    EXPECT_EQ(log_.FindItem("other.ini"), nullptr);
}

} // namespace
