#include "internal.h"

#include <cerrno>
#include <fnmatch.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex searchesLock;
std::set<intptr_t> openSearches;
intptr_t lastSearch = 0;

void Describe(const std::string& name, const struct stat& status, _finddata_t* found) {
    found->attrib = S_ISDIR(status.st_mode) ? _A_SUBDIR : _A_NORMAL;
    if (!(status.st_mode & S_IWUSR)) {
        found->attrib |= _A_RDONLY;
    }
    found->time_create = status.st_ctime;
    found->time_access = status.st_atime;
    found->time_write = status.st_mtime;
    found->size = status.st_size > 0 ? (unsigned long)status.st_size : 0;
    std::snprintf(found->name, sizeof found->name, "%s", name.c_str());
}

} // namespace

extern "C" BOOL WINAPI SetCurrentDirectoryA(LPCSTR path) {
    platform::ForgetListings(); // relative folders name other ones now
    if (!path || chdir(platform::ResolveWindowsPath(path).c_str()) != 0) {
        SetLastError(path ? platform::ErrorFromErrno(errno) : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

extern "C" int _mkdir(const char* path) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    platform::ForgetListings();
    return mkdir(platform::ResolveWindowsPath(path).c_str(), 0777);
}

// Finds the first entry that `pattern` names; the last component may hold * and ?.
extern "C" intptr_t _findfirst(const char* pattern, struct _finddata_t* found) {
    if (!pattern || !found) {
        errno = EINVAL;
        return -1;
    }
    std::string path = platform::ResolveWindowsPath(pattern);
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find_first_of("*?") != std::string::npos) {
        std::string match;
        auto fits = [&](const char* entry) {
            return fnmatch(name.c_str(), entry, FNM_CASEFOLD | FNM_NOESCAPE) == 0;
        };
        if (!platform::FirstEntryWhere(folder, fits, match)) {
            errno = ENOENT;
            return -1;
        }
        name = match;
    }
    struct stat status;
    if (name.empty() || stat((folder + name).c_str(), &status) != 0) {
        errno = ENOENT;
        return -1;
    }
    Describe(name, status, found);
    std::lock_guard<std::mutex> lock(searchesLock);
    openSearches.insert(++lastSearch);
    return lastSearch;
}

extern "C" int _findclose(intptr_t search) {
    std::lock_guard<std::mutex> lock(searchesLock);
    if (openSearches.erase(search) == 0) {
        errno = EINVAL;
        return -1;
    }
    return 0;
}
