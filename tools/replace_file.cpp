#include "tools/replace_file.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

const int kNameAttempts = 16; // another file holding each of 16 random names means foul play

fs::path RandomNameBeside(const fs::path& target) {
    static std::mt19937_64 random{std::random_device{}()};
    char name[32];
    std::snprintf(name, sizeof name, ".ferrox-%016llx.tmp",
                  static_cast<unsigned long long>(random()));
    return target.parent_path() / name;
}

// ": REASON" for an errno value; nothing when the failure left none.
std::string Reason(int error) {
    return error != 0 ? std::string(": ") + std::strerror(error) : "";
}

#ifdef _WIN32

FILE* CreateNew(const fs::path& path) {
    int descriptor = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                            _S_IREAD | _S_IWRITE);
    FILE* file = descriptor < 0 ? nullptr : _wfdopen(descriptor, L"wb");
    if (descriptor >= 0 && !file) {
        _close(descriptor);
    }
    return file;
}

// Empty when renamed, "exists" when `replace` is false and the target exists, else the reason.
std::string Rename(const fs::path& from, const fs::path& to, bool replace) {
    if (MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        return "";
    }
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
        return "exists";
    }
    return std::error_code(int(error), std::system_category()).message();
}

#else

FILE* CreateNew(const fs::path& path) {
    int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    FILE* file = descriptor < 0 ? nullptr : fdopen(descriptor, "wb");
    if (descriptor >= 0 && !file) {
        close(descriptor);
    }
    return file;
}

std::string Rename(const fs::path& from, const fs::path& to, bool replace) {
    if (!replace) {
        // A hard link is made only where the name is free; the temporary's name then goes.
        if (link(from.c_str(), to.c_str()) == 0) {
            unlink(from.c_str());
            return "";
        }
        if (errno == EEXIST) {
            return "exists";
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS) {
            return std::strerror(errno);
        }
        // A file system without hard links: the name is checked, then taken.
        struct stat status;
        if (lstat(to.c_str(), &status) == 0 || errno != ENOENT) {
            return "exists";
        }
    }
    return rename(from.c_str(), to.c_str()) == 0 ? "" : std::strerror(errno);
}

#endif

} // namespace

ReplacementFile::ReplacementFile(const fs::path& target) : target_(target) {
    for (int attempt = 0; attempt < kNameAttempts && !file_; ++attempt) {
        temporary_ = RandomNameBeside(target);
        errno = 0;
        file_ = CreateNew(temporary_);
        if (!file_ && errno != EEXIST) {
            break;
        }
    }
    if (!file_) {
        error_ = "cannot make a temporary file beside it" + Reason(errno);
        temporary_.clear();
    }
}

ReplacementFile::~ReplacementFile() {
    if (file_) {
        std::fclose(file_);
    }
    if (!committed_ && !temporary_.empty()) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
    }
}

bool ReplacementFile::Commit(bool replace) {
    if (!file_) {
        return false;
    }
    errno = 0;
    bool written = std::fflush(file_) == 0 && !std::ferror(file_);
    int error = errno;
    written = std::fclose(file_) == 0 && written;
    error = error ? error : errno;
    file_ = nullptr;
    if (!written) {
        error_ = "cannot be written" + Reason(error);
        return false;
    }
    std::string problem = Rename(temporary_, target_, replace);
    if (problem == "exists") {
        error_ = "exists; not replaced (use -f to replace)";
    } else if (!problem.empty()) {
        error_ = "cannot be put in place: " + problem;
    }
    committed_ = problem.empty();
    return committed_;
}
