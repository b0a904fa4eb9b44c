// The MSVC runtime's stream services over POSIX streams and descriptors.
#include "internal.h"

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

extern "C" int _isatty(int descriptor) {
    return isatty(descriptor);
}

// Every POSIX descriptor passes bytes through unchanged, which is Windows's binary mode.
extern "C" int _setmode(int, int) {
    return _O_BINARY;
}
