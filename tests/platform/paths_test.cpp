// Windows path rules on a case-sensitive POSIX file system, seen through every service that
// takes a path: WinPathFopen, CreateFileA, _findfirst, SetCurrentDirectoryA and _mkdir.
#include "platform/win32.h"

#include "temp_folder.h"

#include <cerrno>
#include <cstring>

namespace {

class PathRules : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        for (const char* folder : {"Data", "Data/Sub", "Data/Names", "data", "Code"}) {
            ASSERT_EQ(mkdir(folder, 0755), 0) << folder;
        }
        // Every file holds its own path, so a read shows which file was opened.
        for (const char* file : {"Data/Sub/f.txt", "Data/Names/README.TXT", "Data/Names/ReadMe.txt",
                                 "Data/Names/readme.txt", "data/lower.txt", "Code/a.txt",
                                 "Code/b.java", "Code/d.JAVA"}) {
            WriteBytes(file, file);
        }
    }

    // The contents of the file that WinPathFopen opens for `path`, or "<fails>".
    static std::string Open(const std::string& path, const char* mode = "rb") {
        FILE* stream = WinPathFopen(path.c_str(), mode);
        if (!stream) {
            return "<fails>";
        }
        std::string text;
        char chunk[256];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, stream)) > 0) {
            text.append(chunk, n);
        }
        std::fclose(stream);
        return text;
    }
};

TEST_F(PathRules, FopenResolvesSeparatorsAndCase) {
    const struct {
        const char* path;
        const char* opens;
    } cases[] = {
        {"Data\\Sub\\f.txt", "Data/Sub/f.txt"},
        {"Data/Sub\\f.txt", "Data/Sub/f.txt"},
        {"DATA\\SUB\\F.TXT", "Data/Sub/f.txt"}, // "DATA" picks "Data" before "data"
        {".\\dAtA\\.\\Sub\\..\\sub\\F.txt", "Data/Sub/f.txt"},
        {"data\\LOWER.TXT", "data/lower.txt"},                // the exact folder before "Data"
        {"Data\\Names\\readme.txt", "Data/Names/readme.txt"}, // exact names win
        {"Data\\Names\\ReadMe.txt", "Data/Names/ReadMe.txt"},
        {"Data\\Names\\README.TXT", "Data/Names/README.TXT"},
        {"Data\\Names\\Readme.Txt", "Data/Names/README.TXT"}, // else the first in byte order
        {"Data\\Missing\\f.txt", "<fails>"},
        {"Data\\Sub\\missing.txt", "<fails>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Open(c.path), c.opens) << c.path;
    }
    EXPECT_EQ(Open(folder_ + "/DATA/SUB/F.TXT"), "Data/Sub/f.txt");
}

TEST_F(PathRules, CreatingLandsInTheMatchedFolder) {
    HANDLE file = CreateFileA("DATA\\SUB\\made.bin", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadBytes("Data/Sub/made.bin"), "");
    EXPECT_EQ(_mkdir("data\\NEW"), 0); // "data" exists exactly, so the folder goes there
    EXPECT_TRUE(IsFolder("data/NEW"));
    EXPECT_EQ(_mkdir("DATA\\sub\\Deeper"), 0);
    EXPECT_TRUE(IsFolder("Data/Sub/Deeper"));
}

TEST_F(PathRules, DirectoryDoesNotOpenAsFile) {
    for (const char* mode : {"r", "rb", "rt", "r+", "w", "a"}) {
        errno = 0;
        EXPECT_EQ(WinPathFopen("DATA\\Sub", mode), nullptr) << mode;
        EXPECT_EQ(errno, EACCES) << mode;
    }
    const struct {
        DWORD access;
        DWORD disposition;
    } opens[] = {{GENERIC_READ, OPEN_EXISTING},
                 {GENERIC_WRITE, OPEN_EXISTING},
                 {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
                 {GENERIC_WRITE, CREATE_ALWAYS}};
    for (const auto& o : opens) {
        SetLastError(0);
        EXPECT_EQ(CreateFileA("data", o.access, 0, nullptr, o.disposition, 0, nullptr),
                  INVALID_HANDLE_VALUE)
            << o.disposition;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << o.disposition;
    }
    EXPECT_TRUE(IsFolder("data"));
}

TEST_F(PathRules, FindFirstDescribesWhatItFinds) {
    const struct {
        const char* pattern;
        const char* name; // nullptr: nothing is found
        unsigned attrib;
        unsigned long size;
    } cases[] = {
        {"Data", "Data", _A_SUBDIR, 0},
        {"DATA\\SUB", "Sub", _A_SUBDIR, 0},
        {"Data\\Sub\\F.TXT", "f.txt", _A_NORMAL, 14},
        {"data\\sub\\*.txt", nullptr, 0, 0}, // "data" exists as written and has no "sub"
        {"Data\\Sub\\*.TXT", "f.txt", _A_NORMAL, 14},
        {"CODE\\*.JAVA", "b.java", _A_NORMAL, 11},
        {"Code\\?.JAVA", "b.java", _A_NORMAL, 11},
        {"Code\\a.*", "a.txt", _A_NORMAL, 10},
        {"Code\\*.none", nullptr, 0, 0},
        {"Data\\missing.txt", nullptr, 0, 0},
        {"Nowhere\\*", nullptr, 0, 0},
    };
    for (const auto& c : cases) {
        _finddata_t found;
        std::memset(&found, 0, sizeof found);
        errno = 0;
        intptr_t search = _findfirst(c.pattern, &found);
        if (!c.name) {
            EXPECT_EQ(search, -1) << c.pattern;
            EXPECT_EQ(errno, ENOENT) << c.pattern;
            continue;
        }
        ASSERT_NE(search, -1) << c.pattern;
        EXPECT_STREQ(found.name, c.name) << c.pattern;
        EXPECT_EQ(found.attrib & _A_SUBDIR, c.attrib) << c.pattern;
        if (!(c.attrib & _A_SUBDIR)) {
            EXPECT_EQ(found.size, c.size) << c.pattern;
        }
        EXPECT_EQ(_findclose(search), 0) << c.pattern;
        EXPECT_EQ(_findclose(search), -1) << c.pattern; // closed already
    }
    EXPECT_EQ(_findclose(987654), -1);
    EXPECT_EQ(_findclose(-1), -1);
}

TEST_F(PathRules, SetCurrentDirectoryFollowsWindowsRules) {
    ASSERT_TRUE(SetCurrentDirectoryA("DATA\\sub"));
    char here[PATH_MAX];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    EXPECT_EQ(std::string(here), folder_ + "/Data/Sub");
    EXPECT_EQ(Open("F.TXT"), "Data/Sub/f.txt");
    ASSERT_TRUE(SetCurrentDirectoryA("..\\..\\Code"));
    EXPECT_EQ(Open("B.Java"), "Code/b.java");

    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryA("..\\Nowhere"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SetCurrentDirectoryA("A.TXT")); // a file is no folder
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    EXPECT_EQ(std::string(here), folder_ + "/Code");
}

} // namespace
