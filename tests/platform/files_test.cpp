// CreateFileA, WriteFile and CloseHandle on real files: what each disposition does to an
// existing or a missing file, the error it leaves behind, and the bytes that reach the disk.
#include "platform/win32.h"

#include "temp_folder.h"

namespace {

using FileHandles = TempFolderTest;

const DWORD kUntouched = 0xDEADu; // set before a call to prove that it sets the last error

TEST_F(FileHandles, DispositionsOnExistingAndMissingFiles) {
    const struct {
        DWORD disposition;
        bool exists;
        bool opens;
        DWORD error;
        const char* contents; // after the call; "<missing>" when there is no file
    } cases[] = {
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<missing>"},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<missing>"},
        {0, true, false, ERROR_INVALID_PARAMETER, "old"},
    };
    for (const auto& c : cases) {
        std::string label = std::to_string(c.disposition) + (c.exists ? " on existing" : " on new");
        std::remove("file.bin");
        if (c.exists) {
            WriteBytes("file.bin", "old");
        }
        SetLastError(kUntouched);
        HANDLE file = CreateFileA("file.bin", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(GetLastError(), c.error) << label;
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << label;
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(file)) << label;
        }
        EXPECT_EQ(ReadBytes("file.bin"), c.contents) << label;
    }
}

TEST_F(FileHandles, WritesExactBytes) {
    const std::string first("line\r\nzero\0high\xff", 16), second = "\n";
    for (DWORD flags : {DWORD(FILE_ATTRIBUTE_NORMAL), DWORD(FILE_FLAG_WRITE_THROUGH)}) {
        HANDLE file = CreateFileA("out.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, flags, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << flags;
        DWORD written = kUntouched;
        EXPECT_TRUE(WriteFile(file, first.data(), DWORD(first.size()), &written, nullptr));
        EXPECT_EQ(written, first.size());
        EXPECT_TRUE(WriteFile(file, nullptr, 0, &written, nullptr)); // nothing to write
        EXPECT_EQ(written, 0u);
        EXPECT_TRUE(WriteFile(file, second.data(), DWORD(second.size()), nullptr, nullptr));
        // Read while the handle is open: nothing waits for CloseHandle to reach the file.
        EXPECT_EQ(ReadBytes("out.bin"), first + second) << flags;
        EXPECT_TRUE(CloseHandle(file));
    }
}

TEST_F(FileHandles, HandlesThatAreNoFilesAreRefused) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    ASSERT_NE(mutex, nullptr);
    HANDLE closed = CreateFileA("closed.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(closed, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(closed));
    int stray = 0;
    for (HANDLE handle : {INVALID_HANDLE_VALUE, HANDLE(nullptr), mutex, closed, HANDLE(&stray)}) {
        DWORD written = kUntouched;
        SetLastError(kUntouched);
        EXPECT_FALSE(WriteFile(handle, "x", 1, &written, nullptr)) << handle;
        EXPECT_EQ(written, 0u) << handle;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << handle;
    }
    EXPECT_TRUE(CloseHandle(mutex));
    for (HANDLE handle : {INVALID_HANDLE_VALUE, mutex, closed, HANDLE(&stray)}) {
        SetLastError(kUntouched);
        EXPECT_FALSE(CloseHandle(handle)) << handle; // never open, or closed already
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << handle;
    }
    EXPECT_EQ(ReadBytes("closed.bin"), "");
}

TEST_F(FileHandles, SpecialFilesOpenWithoutWaiting) {
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    WriteBytes("regular", "bytes");
    // fopen for reading takes regular files only; nothing else may keep a reader waiting.
    const struct {
        const char* path;
        const char* mode;
        bool opens;
    } reads[] = {
        {"fifo", "rb", false}, {"fifo", "r+", false},   {"/dev/zero", "rt", false},
        {".", "r", false},     {"regular", "rb", true}, {"regular", "r+b", true},
    };
    for (const auto& c : reads) {
        errno = 0;
        FILE* stream = WinPathFopen(c.path, c.mode);
        EXPECT_EQ(stream != nullptr, c.opens) << c.path << " " << c.mode;
        if (stream) {
            EXPECT_EQ(std::fgetc(stream), 'b');
            std::fclose(stream);
        } else {
            EXPECT_EQ(errno, EACCES) << c.path << " " << c.mode;
        }
    }
    // CreateFileA opens a FIFO with no peer at once: for reading it succeeds, for writing it
    // fails, as no reader is there.
    HANDLE reader = CreateFileA("fifo", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    HANDLE writer = CreateFileA("fifo", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
}

} // namespace
