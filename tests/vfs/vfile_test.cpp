// File handles over disk files and archive entries: names, lookup, seeks, reads and the
// bookkeeping of open handles.
#include "tests/vfs/archive_fixture.h"

#include "vfs/file_name.h"
#include "vfs/mount.h"
#include "vfs/vfile.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

namespace {

TEST(FileNames, EachFormFoldsCaseAndSlashesAndStripsItsOwnPrefix) {
    const struct {
        const char* name;
        const char* lookup;
        const char* indexed;
        const char* checksum;
    } cases[] = {
        {".\\Data\\Sub\\File.TXT", "data/sub/file.txt", "data/sub/file.txt", "data\\sub\\file.txt"},
        {"./a", "a", "a", "a"},
        {"./", "", "", ""},
        {"././a", "./a", "a", "a"},
        {"a/./b", "a/./b", "a/./b", "a\\.\\b"},
        {"../Up", "../up", "../up", "up"},
        {"//Twice", "//twice", "//twice", "twice"},
        {"C:\\Games", "c:/games", "c:/games", "c:\\games"},
        {"\xC4rger.TXT", "\xC4rger.txt", "\xC4rger.txt", "\xC4rger.txt"}, // only A to Z change
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(FileName(c.name, NameForm::kLookup).c_str(), c.lookup) << c.name;
        EXPECT_STREQ(FileName(c.name, NameForm::kIndexed).c_str(), c.indexed) << c.name;
        EXPECT_STREQ(FileName(c.name, NameForm::kChecksum).c_str(), c.checksum) << c.name;
    }
    EXPECT_EQ(FileName(std::string(300, 'x').c_str(), NameForm::kChecksum).size(), 259u);
    EXPECT_EQ(FileName(std::string(300, 'x').c_str(), NameForm::kLookup).size(), 300u);
}

class ArchiveHandles : public ::testing::Test {
protected:
    TemporaryFolder folder_;
    TestArchive archive_{"pack.zip",
                         {{"data/a.txt", "0123456789"},
                          {"data/sub/file.txt", "sub file", true},
                          {"Upper.txt", "found whatever the case asked for"},
                          {"zz", ""}}};
};

TEST_F(ArchiveHandles, LookupNormalisesOnlyTheWantedName) {
    const struct {
        const char* name;
        const char* found; // nullptr: not in the index
    } cases[] = {
        {"Data\\A.TXT", "data/a.txt"},
        {"./data/a.txt", "data/a.txt"},
        {"DATA/SUB\\FILE.txt", "data/sub/file.txt"},
        {"data/b.txt", nullptr},
        {"data", nullptr},
        {"UPPER.txt", "upper.txt"},
        {"zz", "zz"},
    };
    for (const auto& c : cases) {
        PackEntry* entry = vflookup(c.name);
        EXPECT_EQ(std::string(entry ? entry->name : "-"), c.found ? c.found : "-") << c.name;
        EXPECT_EQ(vfexists(c.name), c.found ? 1 : 0) << c.name;
    }
}

TEST_F(ArchiveHandles, TheDiskComesFirst) {
    std::ofstream(folder_.Path("a.txt"), std::ios::binary) << "from disk";
    std::string onDisk = folder_.Path("a.txt");
    FILE* disk = vfopen(onDisk.c_str(), "rb");
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(vfhandleentry(disk), nullptr);
    EXPECT_EQ(ReadRest(disk, 4), "from disk");
    EXPECT_EQ(vfexists(onDisk.c_str()), 0); // the index alone answers
    EXPECT_EQ(vfclose(disk), 0);

    FILE* packed = vfopen("data/a.txt", "w"); // the mode does not matter for an entry
    ASSERT_NE(packed, nullptr);
    const PackEntry* entry = vfhandleentry(packed);
    ASSERT_NE(entry, nullptr) << "a file data/a.txt on disk hides the entry";
    EXPECT_STREQ(entry->name, "data/a.txt");
    EXPECT_EQ(ReadRest(packed, 3), "0123456789");
    EXPECT_EQ(vfclose(packed), 0);
    EXPECT_EQ(vfopen("data/missing.txt", "rb"), nullptr);
}

TEST_F(ArchiveHandles, SeeksStayInsideTheEntry) {
    const struct {
        long start;
        long offset;
        int origin;
        int result;
        long position;
    } cases[] = {
        {3, 0, SEEK_SET, 0, 0},   {3, 10, SEEK_SET, 0, 10}, {3, 11, SEEK_SET, 1, 3},
        {3, -1, SEEK_SET, 1, 3},  {3, 4, SEEK_CUR, 0, 7},   {3, -3, SEEK_CUR, 0, 0},
        {3, -4, SEEK_CUR, 1, 3},  {3, 8, SEEK_CUR, 1, 3},   {3, 0, SEEK_END, 0, 10},
        {3, -10, SEEK_END, 0, 0}, {3, -11, SEEK_END, 1, 3}, {3, 1, SEEK_END, 1, 3},
        {3, 5, 7, 0, 3}, // an unknown origin moves nothing
    };
    FILE* handle = vfopen("data/a.txt", "rb");
    ASSERT_NE(handle, nullptr);
    for (const auto& c : cases) {
        ASSERT_EQ(vfseek(handle, c.start, SEEK_SET), 0);
        EXPECT_EQ(vfseek(handle, c.offset, c.origin), c.result) << c.offset << " from " << c.origin;
        EXPECT_EQ(vftell(handle), c.position) << c.offset << " from " << c.origin;
    }
    vfclose(handle);
}

TEST_F(ArchiveHandles, ReadsStopAtTheEndAndCountWholeElements) {
    const struct {
        long start;
        size_t size, count;
        size_t result;
        long position;
        const char* bytes;
    } cases[] = {
        {4, 4, 10, 1, 10, "456789"}, // 6 bytes left: one whole element of 4
        {0, 1, 10, 10, 10, "0123456789"},
        {10, 1, 5, 0, 10, ""}, // at the end
        {2, 0, 5, 0, 2, ""},   // elements of no size
        {2, 3, 0, 0, 2, ""},
        {8, 2, SIZE_MAX / 2, 1, 10, "89"}, // a count whose byte total would overflow
    };
    FILE* handle = vfopen("data/a.txt", "rb");
    ASSERT_NE(handle, nullptr);
    for (const auto& c : cases) {
        char buffer[16] = {};
        ASSERT_EQ(vfseek(handle, c.start, SEEK_SET), 0);
        EXPECT_EQ(vfread(buffer, c.size, c.count, handle), c.result) << c.start;
        EXPECT_EQ(vftell(handle), c.position) << c.start;
        EXPECT_STREQ(buffer, c.bytes) << c.start;
    }
    vfclose(handle);
}

TEST_F(ArchiveHandles, HandlesAreCountedAndReadIndependently) {
    FILE* first = vfopen("data/a.txt", "rb");
    FILE* second = vfopen("DATA\\A.TXT", "rb");
    FILE* compressed = vfopen("data/sub/file.txt", "rb");
    EXPECT_EQ(vfunmount(archive_.name()), kInUse);
    std::string fromFirst, fromSecond, fromCompressed;
    char byte;
    for (int i = 0; i < 10; ++i) { // interleaved on the one shared archive stream
        fromFirst += vfread(&byte, 1, 1, first) ? byte : '?';
        fromCompressed += vfread(&byte, 1, 1, compressed) ? byte : '.';
        if (i % 2 == 0) {
            fromSecond += vfread(&byte, 1, 1, second) ? byte : '?';
        }
    }
    EXPECT_EQ(fromFirst, "0123456789");
    EXPECT_EQ(fromSecond, "01234");
    EXPECT_EQ(fromCompressed, "sub file..");
    for (FILE* handle : {first, second, compressed}) {
        EXPECT_EQ(vfclose(handle), 0);
    }
    EXPECT_EQ(vfunmount(archive_.name()), kMountOk);
}

TEST(EmptyIndex, FindsNothing) {
    EXPECT_EQ(vfopen("no/such/file.txt", "rb"), nullptr);
    EXPECT_EQ(vfexists("no/such/file.txt"), 0);
    EXPECT_EQ(vflookup("anything"), nullptr);
    EXPECT_EQ(vfhandleentry(nullptr), nullptr);
}

} // namespace
