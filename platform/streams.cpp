// The MSVC runtime's stream services over POSIX streams and descriptors.
#include "internal.h"

#include <cerrno>
#include <sys/types.h>
#include <unistd.h>

extern "C" int _fseeki64(FILE* stream, int64_t offset, int origin) {
    return fseeko(stream, off_t(offset), origin);
}

extern "C" int64_t _ftelli64(FILE* stream) {
    return int64_t(ftello(stream));
}

extern "C" int _fileno(FILE* stream) {
    return fileno(stream);
}

extern "C" int64_t _lseeki64(int descriptor, int64_t offset, int origin) {
    return int64_t(lseek(descriptor, off_t(offset), origin));
}

// A signal that arrives during the read is no error on Windows, where there are none.
extern "C" int _read(int descriptor, void* buffer, unsigned int count) {
    ssize_t got;
    do {
        got = read(descriptor, buffer, count);
    } while (got < 0 && errno == EINTR);
    return int(got);
}

extern "C" int _isatty(int descriptor) {
    return isatty(descriptor);
}

// Every POSIX descriptor passes bytes through unchanged, which is Windows's binary mode.
extern "C" int _setmode(int, int) {
    return _O_BINARY;
}
