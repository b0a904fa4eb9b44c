#include "tools/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
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

// " (REASON)" for an errno value; nothing when the failure left none.
std::string Reason(int error) {
    return error != 0 ? std::string(" (") + std::strerror(error) + ")" : "";
}

const char kNameTaken[] = "exists; not replaced (use -f to replace)";

// Written in pieces of this size: an entry of a few hundred kilobytes takes a few writes, not
// one per piece that stdio's default buffer splits it into.
const size_t kWriteBuffer = 64 * 1024;

#ifdef _WIN32

bool ReachesTheDisk(FILE* file) {
    return _commit(_fileno(file)) == 0;
}

FILE* CreateNew(const fs::path& path) {
    int descriptor = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                            _S_IREAD | _S_IWRITE);
    FILE* file = descriptor < 0 ? nullptr : _wfdopen(descriptor, L"wb");
    if (descriptor >= 0 && !file) {
        _close(descriptor);
        _wunlink(path.c_str());
    }
    return file;
}

// Gives `from` the name `to`, in place of a file of that name only when `replace`; false with
// `*why` told when it did not.
bool Rename(const fs::path& from, const fs::path& to, bool replace, std::string* why) {
    if (MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        return true;
    }
    DWORD error = GetLastError();
    *why = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
               ? kNameTaken
               : "cannot be put in place (" +
                     std::error_code(int(error), std::system_category()).message() + ")";
    return false;
}

#else

bool ReachesTheDisk(FILE* file) {
    return fsync(fileno(file)) == 0;
}

FILE* CreateNew(const fs::path& path) {
    int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    FILE* file = descriptor < 0 ? nullptr : fdopen(descriptor, "wb");
    if (descriptor >= 0 && !file) {
        close(descriptor);
        unlink(path.c_str());
    }
    return file;
}

bool Rename(const fs::path& from, const fs::path& to, bool replace, std::string* why) {
    if (!replace) {
#if defined(RENAME_NOREPLACE)
        // One call takes the name only where it is free; a file system that cannot do that
        // says EINVAL, and the hard link below does it in two.
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
            return true;
        }
        if (errno == EEXIST) {
            *why = kNameTaken;
            return false;
        }
#endif
        // A hard link is made only where the name is free; the temporary's name then goes.
        if (link(from.c_str(), to.c_str()) == 0) {
            unlink(from.c_str());
            return true;
        }
        struct stat status;
        bool linkless =
            errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == ENOSYS;
        // On a file system without hard links the name is checked, then taken.
        if (errno == EEXIST || (linkless && (lstat(to.c_str(), &status) == 0 || errno != ENOENT))) {
            *why = kNameTaken;
            return false;
        }
        if (!linkless) {
            *why = "cannot be put in place" + Reason(errno);
            return false;
        }
    }
    if (rename(from.c_str(), to.c_str()) != 0) {
        *why = "cannot be put in place" + Reason(errno);
        return false;
    }
    return true;
}

#endif

} // namespace

bool ReplacementFile::TargetExists() const {
    std::error_code error;
    return fs::exists(fs::symlink_status(target_, error));
}

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
        return;
    }
    writeBuffer_.reset(new (std::nothrow) char[kWriteBuffer]);
    if (writeBuffer_) {
        std::setvbuf(file_, writeBuffer_.get(), _IOFBF, kWriteBuffer);
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
    bool written = std::fflush(file_) == 0 && !std::ferror(file_) &&
                   (!replace || !TargetExists() || ReachesTheDisk(file_));
    int error = errno;
    written = std::fclose(file_) == 0 && written;
    error = error ? error : errno;
    file_ = nullptr;
    if (!written) {
        error_ = "cannot be written" + Reason(error);
        return false;
    }
    committed_ = Rename(temporary_, target_, replace, &error_);
    return committed_;
}
