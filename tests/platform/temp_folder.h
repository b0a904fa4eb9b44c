// A fresh folder per test, made the working folder for the test's duration, and small
// helpers that read and write files through POSIX calls, independent of the stand-in.
#pragma once

#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

inline void WriteBytes(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size())) << path;
    close(fd);
    ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

// The whole file, or "<missing>" when it cannot be opened.
inline std::string ReadBytes(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return "<missing>";
    }
    std::string bytes;
    char chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) {
        bytes.append(chunk, size_t(n));
    }
    close(fd);
    return bytes;
}

inline bool IsFolder(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Sets an environment variable for the lifetime of the object, then puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        const char* old = std::getenv(name);
        hadValue_ = old != nullptr;
        old_ = old ? old : "";
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { hadValue_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    bool hadValue_;
    std::string old_;
};

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_);
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    TemporaryFolder temporary_;
    const std::string folder_ = temporary_.Folder(); // absolute
    std::filesystem::path previous_;                 // the working folder before the test
};
