// Mounting ZIP archives, checked through the whole file layer: what vfopen and vfread give
// for the mounted names, and what the index holds after mounts that succeed and fail.
#include "tests/support/temporary_folder.h"
#include "tests/support/test_data.h"
#include "tests/vfs/zip_writer.h"
#include "vfs/mount.h"
#include "vfs/pack_entry.h"
#include "vfs/vfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>

namespace {

// Everything the file layer gives for `name`, read in pieces; "<no file>" when it opens none.
std::string ReadThroughLayer(const std::string& name) {
    FILE* file = vfopen(name.c_str(), "rb");
    if (!file) {
        return "<no file>";
    }
    std::string content;
    char piece[4096];
    size_t got;
    while ((got = vfread(piece, 1, sizeof piece, file)) > 0) {
        content.append(piece, got);
    }
    vfclose(file);
    return content;
}

std::vector<std::string> IndexedNames() {
    std::vector<std::string> names;
    for (uint32_t i = 0; i < vfindexcount(); ++i) {
        names.push_back(vfindexentry(i)->name);
    }
    return names;
}

class MountTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& path : mounted_) {
            vfunmount(path.c_str());
        }
        EXPECT_EQ(vfindexcount(), 0u) << "a test left entries indexed";
    }

    // Mounts `path` and remembers it for the unmount at the end.
    MountResult Mount(const std::string& path) {
        mounted_.push_back(path);
        return vfmount(path.c_str());
    }

    std::string Archive(const std::string& file, const std::vector<ZipItem>& items,
                        const ZipOptions& options = {}) {
        return folder_.Write(file, MakeZip(items, options).bytes);
    }

    TemporaryFolder folder_;
    std::vector<std::string> mounted_;
};

TEST_F(MountTest, ReadsEveryFileOfAnArchiveMadeByZip) {
    ASSERT_EQ(Mount(FERROX_TEST_DATA "/zip_tool_fixture.zip"), kMountOk);
    std::string lines;
    for (int i = 1; i <= 40; ++i) {
        lines += "line " + std::to_string(i) + " of the deflated entry\n";
    }
    struct Case {
        const char* asked;
        const char* indexed;
        std::string content;
        uint32_t compressedSize;
        int32_t compressed;
    };
    const Case cases[] = {
        {"Docs/ReadMe.TXT", "docs/readme.txt",
         "Stored by zip -0: capitals in the name.\r\nSecond line.\n", 54, 0},
        {"TEXT\\lines.txt", "text/lines.txt", lines, 130, 1},
        {"./empty.dat", "empty.dat", "", 0, 0},
    };
    // The directory entry Docs/ names no file.
    EXPECT_EQ(IndexedNames(),
              (std::vector<std::string>{"docs/readme.txt", "empty.dat", "text/lines.txt"}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        EXPECT_EQ(vfexists(c.asked), 1);
        EXPECT_EQ(ReadThroughLayer(c.asked), c.content);
        const PackEntry* entry = vflookup(c.asked);
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry->name, c.indexed);
        EXPECT_EQ(entry->size, c.content.size());
        EXPECT_EQ(entry->compressedSize, c.compressedSize);
        EXPECT_EQ(entry->compressed, c.compressed);
    }
}

TEST_F(MountTest, ReadsPlainAndZip64ArchivesAndFindsTheEndRecordPastAComment) {
    const std::string noise = NoisyBytes(3 << 20);
    const std::string text = std::string(2000, 'x') + "\nend of text\n";
    const std::vector<ZipItem> items = {ZipStored("Maps\\Level One.DAT", "level data"),
                                        {"big/noise.bin", noise},
                                        {"text.txt", text},
                                        {"empty-deflated", ""},
                                        ZipStored("empty-stored", "")};
    // A comment that holds a record signature of its own, whose comment would fit.
    const std::string decoy = std::string("PK\x05\x06", 4) + std::string(18, '\0') + "tail";
    const ZipOptions variants[] = {{false, ""}, {true, ""}, {false, decoy}, {true, decoy}};
    for (const ZipOptions& options : variants) {
        SCOPED_TRACE(testing::Message() << "zip64 " << options.zip64 << ", comment "
                                        << options.comment.size() << " bytes");
        std::string path = Archive("variant.zip", items, options);
        ASSERT_EQ(vfmount(path.c_str()), kMountOk);
        EXPECT_EQ(IndexedNames(),
                  (std::vector<std::string>{"big/noise.bin", "empty-deflated", "empty-stored",
                                            "maps/level one.dat", "text.txt"}));
        for (const ZipItem& item : items) {
            std::string content = ReadThroughLayer(item.name);
            EXPECT_TRUE(content == item.content) << item.name << ": " << content.size() << " bytes";
        }
        const PackEntry* big = vflookup("big/noise.bin");
        ASSERT_NE(big, nullptr);
        EXPECT_GT(big->compressedSize, 1u << 20);
        FILE* file = vfopen("BIG/NOISE.BIN", "rb");
        ASSERT_NE(file, nullptr);
        char middle[4096];
        EXPECT_EQ(vfseek(file, 2 << 20, SEEK_SET), 0);
        EXPECT_EQ(vfread(middle, 1, sizeof middle, file), sizeof middle);
        EXPECT_EQ(std::string(middle, sizeof middle), noise.substr(2 << 20, sizeof middle));
        vfclose(file);
        EXPECT_EQ(vfunmount(path.c_str()), kMountOk);
    }
}

TEST_F(MountTest, PassesOverEntriesThatNameNoReadableFile) {
    std::vector<ZipItem> items = {ZipStored("folder/", ""),
                                  ZipStored("Folder\\Sub\\", ""),
                                  ZipStored("./", ""),
                                  ZipStored(".\\", ""),
                                  ZipStored("", "nameless"),
                                  ZipStored("kept.txt", "kept"),
                                  ZipStored("./.\\Dotted/./Name.TXT", "dotted"),
                                  {"bzip2.bin", "x", 12},
                                  {"lzma.bin", "x", 14},
                                  {"secret.txt", "x", 0, 1},
                                  {"secret.z", "x", 8, 1},
                                  ZipStored(std::string("nul\0name", 8), "x")};
    // An entry passed over is not checked further: its claimed size may be anything.
    items.push_back({"huge-lzma.bin", "x", 14, 0, uint64_t(1) << 40});
    ASSERT_EQ(Mount(Archive("mixed.zip", items, {true, ""})), kMountOk);
    // Every leading "./" goes, so that the name is found as a caller writes it.
    EXPECT_EQ(IndexedNames(), (std::vector<std::string>{"dotted/./name.txt", "kept.txt"}));
    EXPECT_EQ(ReadThroughLayer("kept.txt"), "kept");
    EXPECT_EQ(ReadThroughLayer(".\\Dotted\\.\\name.txt"), "dotted");
}

TEST_F(MountTest, TheEarliestMountedArchiveKeepsARepeatedName) {
    std::string a = Archive(
        "a.zip",
        {{"shared.txt", "from a"}, {"twice.txt", "first"}, ZipStored("TWICE.TXT", "second")});
    std::string b = Archive("b.zip", {ZipStored("Shared.TXT", "from b"), {"b-only.txt", "bee"}});
    ASSERT_EQ(Mount(a), kMountOk);
    ASSERT_EQ(Mount(b), kMountOk);
    // After each step: what shared.txt and twice.txt read as.
    struct Step {
        const char* what;
        std::function<MountResult()> action;
        std::string shared, twice;
    };
    const Step steps[] = {
        {"both mounted", [] { return kMountOk; }, "from a", "first"},
        {"a unmounted: b's hidden entry comes back", [&] { return vfunmount(a.c_str()); }, "from b",
         "<no file>"},
        {"a mounted again, after b", [&] { return vfmount(a.c_str()); }, "from b", "first"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.action(), kMountOk);
        EXPECT_EQ(ReadThroughLayer("shared.txt"), step.shared);
        EXPECT_EQ(ReadThroughLayer("twice.txt"), step.twice);
        EXPECT_EQ(ReadThroughLayer("b-only.txt"), "bee");
    }
}

TEST_F(MountTest, UnmountWaitsUntilTheLastHandleIsClosed) {
    std::string path = Archive("held.zip", {{"held.txt", "held content"}});
    ASSERT_EQ(Mount(path), kMountOk);
    // Another spelling of the same Windows path.
    std::string respelled = path;
    for (char& c : respelled) {
        c = c == '/' ? '\\' : char(std::toupper(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(vfmount(path.c_str()), kAlreadyMounted);
    EXPECT_EQ(vfmount(respelled.c_str()), kAlreadyMounted);
    FILE* first = vfopen("held.txt", "rb");
    FILE* second = vfopen("HELD.TXT", "rb");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(vfunmount(path.c_str()), kInUse);
    vfclose(first);
    EXPECT_EQ(vfunmount(path.c_str()), kInUse);
    char content[32] = {};
    EXPECT_EQ(vfread(content, 1, sizeof content, second), 12u);
    EXPECT_STREQ(content, "held content");
    vfclose(second);
    EXPECT_EQ(vfunmount(respelled.c_str()), kMountOk);
    EXPECT_EQ(vfexists("held.txt"), 0);
    EXPECT_EQ(vfunmount(path.c_str()), kNotMounted);
}

TEST_F(MountTest, RefusesDamagedArchivesAndLeavesTheIndexAsItWas) {
    ASSERT_EQ(Mount(Archive("base.zip", {{"base.txt", "base"}})), kMountOk);
    const std::vector<std::string> before = IndexedNames();
    const std::vector<ZipItem> items = {ZipStored("alpha/a-file-with-a-long-name.txt", "alpha"),
                                        {"bravo/a-file-with-a-long-name.txt", "bravo bravo"}};
    const size_t nameLength = items[0].name.size();
    using Bytes = std::string;
    struct Case {
        const char* what;
        bool zip64;
        std::function<void(ZipImage&, Bytes&)> damage;
        MountResult expected;
    };
    const Case cases[] = {
        {"directory past the end", false,
         [](ZipImage& z, Bytes& b) { Put32(b, z.end + 16, uint32_t(b.size())); }, kCorrupt},
        {"directory longer than the file", false,
         [](ZipImage& z, Bytes& b) { Put32(b, z.end + 12, uint32_t(b.size())); }, kCorrupt},
        {"more entries than the directory holds", false,
         [](ZipImage& z, Bytes& b) { Put16(b, z.end + 10, 3); }, kCorrupt},
        {"file header signature", false,
         [](ZipImage& z, Bytes& b) { Put32(b, z.fileHeaders[1], 0); }, kCorrupt},
        {"name past the directory", false,
         [](ZipImage& z, Bytes& b) { Put16(b, z.fileHeaders[1] + 28, 0xFFFF); }, kCorrupt},
        {"local header past the end", false,
         [](ZipImage& z, Bytes& b) { Put32(b, z.fileHeaders[0] + 42, uint32_t(b.size())); },
         kCorrupt},
        {"local header cut by the end", false,
         [](ZipImage& z, Bytes& b) { Put32(b, z.fileHeaders[1] + 42, uint32_t(b.size() - 10)); },
         kCorrupt},
        {"local header signature", false,
         [](ZipImage& z, Bytes& b) { Put32(b, z.localHeaders[1], 0); }, kCorrupt},
        {"data past the end", false,
         [](ZipImage& z, Bytes& b) { Put32(b, z.fileHeaders[1] + 20, uint32_t(b.size())); },
         kCorrupt},
        {"local extra pushes the data past the end", false,
         [](ZipImage& z, Bytes& b) { Put16(b, z.localHeaders[1] + 28, 0xFFFF); }, kCorrupt},
        {"stored entry whose sizes differ", false,
         [](ZipImage& z, Bytes& b) { Put32(b, z.fileHeaders[0] + 24, 4); }, kCorrupt},
        {"truncated to half", false, [](ZipImage&, Bytes& b) { b.resize(b.size() / 2); },
         kNotAnArchive},
        {"end record cut short", false, [](ZipImage&, Bytes& b) { b.pop_back(); }, kNotAnArchive},
        {"text, no archive", false, [](ZipImage&, Bytes& b) { b = "no archive in here"; },
         kNotAnArchive},
        {"empty file", false, [](ZipImage&, Bytes& b) { b.clear(); }, kNotAnArchive},
        {"ZIP64 locator past the end", true,
         [](ZipImage& z, Bytes& b) { Put64(b, z.zip64Locator + 8, b.size()); }, kCorrupt},
        {"ZIP64 end record signature", true, [](ZipImage& z, Bytes& b) { Put32(b, z.zip64End, 0); },
         kCorrupt},
        {"ZIP64 entry count beyond the directory", true,
         [](ZipImage& z, Bytes& b) { Put64(b, z.zip64End + 32, uint64_t(1) << 40); }, kCorrupt},
        {"ZIP64 field missing", true,
         [=](ZipImage& z, Bytes& b) { Put16(b, z.fileHeaders[0] + 46 + nameLength, 0x5455); },
         kCorrupt},
        {"ZIP64 field too short", true,
         [=](ZipImage& z, Bytes& b) { Put16(b, z.fileHeaders[0] + 48 + nameLength, 16); },
         kCorrupt},
        {"extra field longer than its block", true,
         [=](ZipImage& z, Bytes& b) { Put16(b, z.fileHeaders[0] + 48 + nameLength, 0xFFF0); },
         kCorrupt},
        {"ZIP64 local header offset past the end", true,
         [=](ZipImage& z, Bytes& b) {
             Put64(b, z.fileHeaders[1] + 66 + nameLength, uint64_t(1) << 33);
         },
         kCorrupt},
        {"ZIP64 size beyond 32 bits", true,
         [=](ZipImage& z, Bytes& b) {
             Put64(b, z.fileHeaders[1] + 50 + nameLength, uint64_t(1) << 32);
         },
         kTooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZipImage image = MakeZip(items, {c.zip64, ""});
        c.damage(image, image.bytes);
        std::string path = folder_.Write("damaged.zip", image.bytes);
        EXPECT_EQ(vfmount(path.c_str()), c.expected);
        EXPECT_EQ(IndexedNames(), before);
        EXPECT_EQ(vfunmount(path.c_str()), kNotMounted);
    }
    std::filesystem::create_directory(folder_.Path("folder.zip"));
    for (const std::string& unreadable :
         {folder_.Path("missing.zip"), folder_.Path("folder.zip")}) {
        EXPECT_EQ(vfmount(unreadable.c_str()), kCannotOpen) << unreadable;
        EXPECT_EQ(IndexedNames(), before);
    }
}

TEST_F(MountTest, AnArchiveThatWouldOverflowTheIndexIsRefusedWhole) {
    // Archives of tiny stored files named n/<number>, for numbers in [from, to).
    auto numbered = [this](const std::string& file, int from, int to) {
        std::vector<ZipItem> items;
        char name[16];
        for (int i = from; i < to; ++i) {
            std::snprintf(name, sizeof name, "n/%05d", i);
            items.push_back(ZipStored(name, ""));
        }
        return Archive(file, items);
    };
    struct Case {
        int firstFrom, firstTo, secondFrom, secondTo;
        MountResult expected;
        uint32_t count;
    };
    const Case cases[] = {
        {0, 40000, 40000, 65536, kMountOk, 65536},   // exactly full
        {0, 40000, 40000, 65537, kIndexFull, 40000}, // one slot short
        {0, 40000, 30000, 65536, kMountOk, 65536},   // names indexed already take no slot
        {0, 65535, 65535, 65537, kIndexFull, 65535}, // 65535 entries need no ZIP64 records
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.secondFrom << ".." << c.secondTo);
        std::string first = numbered("first.zip", c.firstFrom, c.firstTo);
        std::string second = numbered("second.zip", c.secondFrom, c.secondTo);
        ASSERT_EQ(vfmount(first.c_str()), kMountOk);
        EXPECT_EQ(vfmount(second.c_str()), c.expected);
        EXPECT_EQ(vfindexcount(), c.count);
        EXPECT_EQ(vfexists("n/39999"), 1);
        EXPECT_EQ(vfexists("n/65535"), c.count == 65536 ? 1 : 0);
        // Without the first archive, the second (when mounted) has every one of its names.
        EXPECT_EQ(vfunmount(first.c_str()), kMountOk);
        bool mounted = c.expected == kMountOk;
        EXPECT_EQ(vfindexcount(), mounted ? uint32_t(c.secondTo - c.secondFrom) : 0u);
        EXPECT_EQ(vfunmount(second.c_str()), mounted ? kMountOk : kNotMounted);
    }
}

} // namespace
