#include "tools/lsp/message_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

namespace {

// A header line longer than this is no header of the protocol: it is cut there.
const size_t kMostHeaderLine = 1024;
const size_t kChunk = 64 * 1024;

// The value of a Content-Length header in the line, wherever in it the header starts.
bool FindContentLength(const std::string& line, std::string* value) {
    std::string lower = line;
    for (char& c : lower) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::string name = "content-length:";
    size_t at = lower.rfind(name);
    if (at == std::string::npos) {
        return false;
    }
    size_t first = line.find_first_not_of(" \t", at + name.size());
    size_t last = line.find_last_not_of(" \t");
    *value = first == std::string::npos ? "" : line.substr(first, last - first + 1);
    return true;
}

// The decimal length; false when the text is none, or more than 18 digits.
bool ParseLength(const std::string& text, size_t* length) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    unsigned long long value = 0;
    for (char c : text) {
        value = value * 10 + unsigned(c - '0');
    }
    *length = value > SIZE_MAX ? SIZE_MAX : size_t(value);
    return true;
}

} // namespace

MessageReader::MessageReader(std::function<size_t(char*, size_t)> read, size_t mostBytes)
    : read_(std::move(read)), mostBytes_(mostBytes) {}

bool MessageReader::Fill() {
    if (start_ > 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    size_t used = buffer_.size();
    buffer_.resize(used + kChunk);
    size_t got = read_(&buffer_[used], kChunk);
    buffer_.resize(used + got);
    return got > 0;
}

bool MessageReader::ReadLine(std::string* line) {
    line->clear();
    for (;;) {
        size_t end = buffer_.find('\n', start_);
        size_t stop = end == std::string::npos ? buffer_.size() : end;
        size_t room = kMostHeaderLine - std::min(line->size(), kMostHeaderLine);
        line->append(buffer_, start_, std::min(stop - start_, room));
        if (end != std::string::npos) {
            start_ = end + 1;
            if (!line->empty() && line->back() == '\r') {
                line->pop_back();
            }
            return true;
        }
        start_ = buffer_.size();
        if (!Fill()) {
            return false;
        }
    }
}

bool MessageReader::Skip(size_t count) {
    while (count > 0) {
        if (start_ == buffer_.size() && !Fill()) {
            return false;
        }
        size_t taken = std::min(count, buffer_.size() - start_);
        start_ += taken;
        count -= taken;
    }
    return true;
}

MessageReader::Result MessageReader::Next(std::string* body) {
    std::string line, lengthText;
    bool haveLength = false, anyHeader = false;
    // Header lines up to a blank one; blank lines before any header are stray line ends.
    for (;;) {
        if (!ReadLine(&line)) {
            return kEnd;
        }
        if (line.empty()) {
            if (anyHeader) {
                break;
            }
            continue;
        }
        anyHeader = true;
        // After a body that could not be skipped, the next header may follow its last byte.
        if (FindContentLength(line, &lengthText)) {
            haveLength = true;
        }
    }
    if (!haveLength) {
        return kBadHeader;
    }
    size_t length = 0;
    if (!ParseLength(lengthText, &length)) {
        return kBadHeader;
    }
    if (length > mostBytes_) {
        return Skip(length) ? kTooLong : kEnd;
    }
    while (buffer_.size() - start_ < length) {
        if (!Fill()) {
            return kEnd;
        }
    }
    body->assign(buffer_, start_, length);
    start_ += length;
    return kMessage;
}
