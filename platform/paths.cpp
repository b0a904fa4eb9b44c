#include "internal.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

} // namespace

bool platform::FirstEntryWhere(const std::string& folder,
                               const std::function<bool(const char*)>& matches,
                               std::string& match) {
    DIR* listing = opendir(folder.empty() ? "." : folder.c_str());
    if (!listing) {
        return false;
    }
    bool found = false;
    while (const dirent* entry = readdir(listing)) {
        if (matches(entry->d_name) && (!found || std::strcmp(entry->d_name, match.c_str()) < 0)) {
            match = entry->d_name;
            found = true;
        }
    }
    closedir(listing);
    return found;
}

std::string platform::ResolveWindowsPath(const char* path) {
    std::string posix(path ? path : "");
    std::replace(posix.begin(), posix.end(), '\\', '/');
    if (posix.empty() || Exists(posix)) {
        return posix;
    }
    std::string resolved;
    size_t start = 0;
    for (;;) {
        size_t slash = posix.find('/', start);
        size_t end = slash == std::string::npos ? posix.size() : slash;
        std::string name = posix.substr(start, end - start);
        std::string candidate = resolved + name;
        if (!name.empty() && name != "." && name != ".." && !Exists(candidate)) {
            std::string match;
            if (!EntryIgnoringCase(resolved, name, match)) {
                return candidate + posix.substr(end); // the rest as written
            }
            candidate = resolved + match;
        }
        if (slash == std::string::npos) {
            return candidate;
        }
        resolved = candidate + '/';
        start = slash + 1;
    }
}
