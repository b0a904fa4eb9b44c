#include "tools/standard_input.h"

#include "platform/win32.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

std::string ReadStandardInput(std::size_t most, std::string* bytes) {
    _setmode(_fileno(stdin), _O_BINARY);
    const std::size_t piece = std::size_t(1) << 20;
    try {
        while (bytes->size() < most) {
            std::size_t had = bytes->size();
            std::size_t wanted = std::min(piece, most - had);
            bytes->resize(had + wanted);
            std::size_t got = std::fread(&(*bytes)[had], 1, wanted, stdin);
            bytes->resize(had + got);
            if (got < wanted) {
                return std::ferror(stdin)
                           ? std::string("cannot be read (") + std::strerror(errno) + ")"
                           : "";
            }
        }
    } catch (const std::bad_alloc&) {
        return "too large for the memory at hand";
    }
    return "";
}
