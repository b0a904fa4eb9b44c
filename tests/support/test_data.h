// Made-up content for tests and benchmarks of the file layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A raw deflate stream of `content`: no zlib or gzip header, no trailer.
std::string RawDeflate(const std::string& content);
// Bytes that compress hardly at all; the seed picks the sequence.
std::string NoisyBytes(size_t length, uint32_t seed = 2463534242u);
// Words and lines of configuration text, which compress like a game's text files.
std::string TextLike(size_t length);
