// The executable's module as Windows describes it: its handle and its file name.
#include "platform/win32.h"

#include "temp_folder.h"

namespace {

std::string ExecutablePath() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    return length > 0 ? std::string(path, size_t(length)) : std::string();
}

TEST(ModuleFileName, IsTruncatedToTheBuffer) {
    const std::string expected = ExecutablePath();
    ASSERT_GT(expected.size(), 5u);
    const struct {
        size_t size;
        DWORD error;
    } cases[] = {{expected.size() + 1, ERROR_SUCCESS},
                 {expected.size(), ERROR_INSUFFICIENT_BUFFER},
                 {5, ERROR_INSUFFICIENT_BUFFER},
                 {1, ERROR_INSUFFICIENT_BUFFER}};
    for (const auto& c : cases) {
        std::string buffer(expected.size() + 8, 'X');
        SetLastError(1234);
        DWORD result = GetModuleFileNameA(nullptr, &buffer[0], DWORD(c.size));
        size_t kept = std::min(expected.size(), c.size - 1);
        EXPECT_EQ(result, c.error == ERROR_SUCCESS ? expected.size() : c.size) << c.size;
        EXPECT_EQ(GetLastError(), c.error) << c.size;
        EXPECT_EQ(buffer.substr(0, kept), expected.substr(0, kept)) << c.size;
        EXPECT_EQ(buffer[kept], '\0') << c.size;
        EXPECT_EQ(buffer.substr(kept + 1), std::string(buffer.size() - kept - 1, 'X')) << c.size;
    }
}

TEST(ModuleFileName, UnknownModulesAreRefused) {
    int notAModule = 0;
    char path[MAX_PATH];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(&notAModule), path, sizeof path), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("other.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

} // namespace
