#include "tools/file_replace.h"

#include "platform/win32.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// A new file of the name, created exclusively (no link followed, nothing replaced), for writing.
FILE* CreateNew(const std::string& name) {
#ifdef _WIN32
    int descriptor =
        _open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    int descriptor = open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
    if (descriptor < 0) {
        return nullptr;
    }
    FILE* file = fdopen(descriptor, "wb");
    if (!file) {
        close(descriptor);
    }
    return file;
}

long ProcessId() {
#ifdef _WIN32
    return long(_getpid());
#else
    return long(getpid());
#endif
}

std::string Reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

std::string ReplaceFile(const std::string& path, const std::string& bytes) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        return "is not a regular file";
    }
    fs::path target(path);
    std::string temporary;
    FILE* file = nullptr;
    for (int attempt = 0; !file && attempt < 100; ++attempt) {
        temporary = (target.parent_path() /
                     ("." + target.filename().string() + "." + std::to_string(ProcessId()) + "-" +
                      std::to_string(attempt) + ".tmp"))
                        .string();
        file = CreateNew(temporary);
        if (!file && errno != EEXIST) {
            return Reason("cannot create a temporary file beside it");
        }
    }
    if (!file) {
        return "cannot create a temporary file beside it: all names taken";
    }
    std::string failure;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fflush(file) != 0) {
        failure = Reason("cannot write");
    }
    if (std::fclose(file) != 0 && failure.empty()) {
        failure = Reason("cannot write");
    }
    if (failure.empty()) {
        fs::rename(temporary, path, error);
        if (error) {
            failure = "cannot rename the temporary file over it: " + error.message();
        }
    }
    if (!failure.empty()) {
        std::remove(temporary.c_str());
    }
    return failure;
}
