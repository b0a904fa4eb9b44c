// Reads the protocol's messages from a byte stream: header lines ("Content-Length: N"), a
// blank line, then N bytes of JSON. What a malformed header or an oversized body leaves is
// skipped, so that the next message can be read.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

class MessageReader {
public:
    // `read` fills up to `size` bytes and returns how many, 0 at the end of the input.
    // `mostBytes`: the longest body taken; a longer one is skipped unread.
    MessageReader(std::function<size_t(char* bytes, size_t size)> read, size_t mostBytes);

    enum Result {
        kMessage,   // `*body` holds one message's content
        kBadHeader, // a header without a length, or with one that is no number: skipped
        kTooLong,   // a body longer than the bound: skipped
        kEnd,       // the input ended (a message cut short by it is dropped)
    };
    Result Next(std::string* body);
    // Bytes read from the input and not taken by a message yet.
    bool Buffered() const { return start_ < buffer_.size(); }

private:
    bool Fill();                      // false at the end of the input
    bool ReadLine(std::string* line); // false at the end of the input
    bool Skip(size_t count);

    std::function<size_t(char*, size_t)> read_;
    size_t mostBytes_;
    std::string buffer_;
    size_t start_ = 0;
};
