#include "tools/lsp/file_uri.h"

#include <cctype>
#include <cstdio>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = char(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool DriveLetterAt(const std::string& path, size_t at) {
    return path.size() >= at + 2 && std::isalpha(static_cast<unsigned char>(path[at])) &&
           path[at + 1] == ':';
}

} // namespace

bool PathOfFileUri(const std::string& uri, std::string* path) {
    const std::string scheme = "file://";
    if (uri.compare(0, scheme.size(), scheme) != 0) {
        return false;
    }
    std::string decoded;
    for (size_t at = scheme.size(); at < uri.size(); ++at) {
        int high = at + 2 < uri.size() && uri[at] == '%' ? HexDigit(uri[at + 1]) : -1;
        int low = high >= 0 ? HexDigit(uri[at + 2]) : -1;
        if (low >= 0) {
            decoded += char(high * 16 + low);
            at += 2;
        } else {
            decoded += uri[at];
        }
    }
    // "/c:/m/x.ini" is a Windows path with its drive; a host other than the local one is not
    // a file the parser can open.
    if (decoded.empty() || decoded[0] != '/') {
        return false;
    }
#ifdef _WIN32
    if (DriveLetterAt(decoded, 1)) {
        decoded.erase(0, 1);
    }
#endif
    *path = decoded;
    return true;
}

std::string FileUriOfPath(const std::string& path) {
    std::string uri = "file://";
    if (DriveLetterAt(path, 0)) {
        uri += '/';
    }
    for (size_t at = 0; at < path.size(); ++at) {
        char c = path[at];
        unsigned char byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/' ||
            (c == ':' && at == 1 && DriveLetterAt(path, 0))) {
            uri += c;
        } else if (c == '\\') {
            uri += '/';
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            uri += escape;
        }
    }
    return uri;
}
