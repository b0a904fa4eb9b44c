#include "tests/support/test_data.h"

#include <random>
#include <stdexcept>
#include <zlib.h>

std::string RawDeflate(const std::string& content) {
    z_stream stream = {};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string output(deflateBound(&stream, uLong(content.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = uInt(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(&output[0]);
    stream.avail_out = uInt(output.size());
    int result = deflate(&stream, Z_FINISH);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("deflate did not finish");
    }
    return output;
}

std::string NoisyBytes(size_t length, uint32_t seed) {
    std::string bytes(length, '\0');
    uint32_t state = seed ? seed : 1; // xorshift32 never leaves 0
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state >> 24);
    }
    return bytes;
}

std::string TextLike(size_t length) {
    static const char* const kWords[] = {"JavaClasses", "(",   "\"code\"", ")", "level",
                                         "640",         "480", "{",        "}", "// a comment",
                                         "spawn",       "2.5"};
    std::mt19937 random(7);
    std::string text;
    text.reserve(length + 16);
    while (text.size() < length) {
        text += kWords[random() % 12];
        text += random() % 8 == 0 ? "\r\n" : " ";
    }
    text.resize(length);
    return text;
}
