#include "tools/replace_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Names tried for the temporary before giving up: others may be in use.
const int kMaxAttempts = 100;

std::string Failure(const char* what) {
    return std::string(what) + " (" + std::strerror(errno) + ")";
}

// Creates `path` as a new file, never opening one that exists or following a link; -1 when
// it cannot.
int CreateNew(const std::string& path) {
#ifdef _WIN32
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
}

// Writes what the system holds of the file to the disk, so that a crash after the rename does
// not leave an empty or partial file under the target's name.
bool SyncToDisk(FILE* file) {
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

// Empty when `from` now has the name `to`, else the system's reason.
std::string RenameOver(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return "";
    }
    return "Windows error " + std::to_string(GetLastError());
#else
    return std::rename(from.c_str(), to.c_str()) == 0 ? "" : std::strerror(errno);
#endif
}

} // namespace

ReplacementFile::~ReplacementFile() {
    Discard();
}

bool ReplacementFile::Open(std::string* problem) {
    const std::string stem = target_ + ".tmp" + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        std::string candidate = stem + std::to_string(attempt);
        int descriptor = CreateNew(candidate);
        if (descriptor < 0 && errno == EEXIST) {
            continue;
        }
        if (descriptor < 0) {
            *problem = Failure("cannot be written");
            return false;
        }
        temporary_ = candidate;
        file_ = fdopen(descriptor, "wb");
        if (!file_) {
            *problem = Failure("cannot be written");
            close(descriptor);
            std::remove(temporary_.c_str());
            temporary_.clear();
            return false;
        }
        return true;
    }
    *problem = "cannot be written (no free name for a temporary file beside it)";
    return false;
}

bool ReplacementFile::Commit(std::string* problem) {
    bool written = std::fflush(file_) == 0 && !std::ferror(file_) && SyncToDisk(file_);
    if (!written) {
        *problem = Failure("cannot be written");
    }
    FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0 && written) {
        *problem = Failure("cannot be written");
        written = false;
    }
    std::string reason = written ? RenameOver(temporary_, target_) : "";
    if (!reason.empty()) {
        *problem = "cannot be replaced (" + reason + ")";
        written = false;
    }
    if (written) {
        temporary_.clear();
    }
    Discard();
    return written;
}

void ReplacementFile::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
}
