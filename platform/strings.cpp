// The MSVC runtime's string helpers. Case is folded for ASCII letters only, as the runtime
// does in the "C" locale, so bytes above 127 never change.
#include "internal.h"

#include <cstdlib>
#include <cstring>

namespace {

int LowerAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

// Copies `length` bytes and a NUL into `out` of `capacity` bytes. A part that does not fit
// comes back empty, as the Windows runtime gives it: a cut folder would name another folder.
void CopyPart(char* out, size_t capacity, const char* from, size_t length) {
    if (!out) {
        return;
    }
    if (length >= capacity) {
        length = 0;
    }
    std::memcpy(out, from, length);
    out[length] = '\0';
}

} // namespace

extern "C" void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
    if (!path) {
        path = "";
    }
    size_t driveLength = (path[0] && path[1] == ':') ? 2 : 0;
    CopyPart(drive, _MAX_DRIVE, path, driveLength);
    const char* rest = path + driveLength;
    const char* name = rest;
    for (const char* c = rest; *c; ++c) {
        if (*c == '/' || *c == '\\') {
            name = c + 1;
        }
    }
    CopyPart(dir, _MAX_DIR, rest, size_t(name - rest));
    const char* dot = std::strrchr(name, '.');
    size_t nameLength = dot ? size_t(dot - name) : std::strlen(name);
    CopyPart(fname, _MAX_FNAME, name, nameLength);
    CopyPart(ext, _MAX_EXT, name + nameLength, std::strlen(name + nameLength));
}

extern "C" int _stricmp(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    while (*x && LowerAscii(*x) == LowerAscii(*y)) {
        ++x;
        ++y;
    }
    return LowerAscii(*x) - LowerAscii(*y);
}

extern "C" char* _strlwr(char* text) {
    for (char* c = text; c && *c; ++c) {
        *c = char(LowerAscii(static_cast<unsigned char>(*c)));
    }
    return text;
}

extern "C" char* _strdup(const char* text) {
    if (!text) {
        return nullptr;
    }
    size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy) {
        std::memcpy(copy, text, size);
    }
    return copy;
}
