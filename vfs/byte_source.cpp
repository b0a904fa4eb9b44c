#include "vfs/internal/byte_source.h"

#include "platform/win32.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Reads go to the file's descriptor: the stream only opens the file under Windows path rules
// and is never read itself, so it holds nothing buffered. Large reads go straight into the
// caller's buffer, as read() would. Small ones (local headers, small entries, a stream's
// pieces) are served from a window of the file read ahead, so that a mount of many entries,
// or reading them, does not cost a system call or two for each.
class FileSource final : public ByteSource {
public:
    explicit FileSource(FILE* file) : file_(file), descriptor_(_fileno(file)) {}
    ~FileSource() override { fclose(file_); }

    bool Size(uint64_t* size) override {
        position_ = kUnknown;
        int64_t end = _lseeki64(descriptor_, 0, SEEK_END);
        if (end < 0) {
            return false;
        }
        *size = uint64_t(end);
        return true;
    }

    size_t Read(uint64_t offset, void* buffer, size_t length) override {
        if (length == 0) {
            return 0;
        }
        if (length >= kWindowSize / 2) {
            return ReadDirect(offset, buffer, length);
        }
        if (offset < windowStart_ || offset - windowStart_ + length > windowLength_) {
            if (!window_ && !(window_ = std::unique_ptr<unsigned char[]>(
                                  new (std::nothrow) unsigned char[kWindowSize]))) {
                return ReadDirect(offset, buffer, length);
            }
            windowStart_ = offset;
            windowLength_ = ReadDirect(offset, window_.get(), kWindowSize);
        }
        size_t got = std::min<uint64_t>(length, windowLength_ - (offset - windowStart_));
        std::memcpy(buffer, window_.get() + (offset - windowStart_), got);
        return got;
    }

private:
    // Reads that follow each other need no seek: the file stands where the last one ended.
    size_t ReadDirect(uint64_t offset, void* buffer, size_t length) {
        if (offset != position_ && (offset > uint64_t(INT64_MAX) ||
                                    _lseeki64(descriptor_, int64_t(offset), SEEK_SET) < 0)) {
            position_ = kUnknown;
            return 0;
        }
        size_t got = 0;
        while (got < length) {
            unsigned int piece = unsigned(std::min<size_t>(length - got, kMostPerRead));
            int read = _read(descriptor_, static_cast<unsigned char*>(buffer) + got, piece);
            if (read <= 0) {
                break;
            }
            got += size_t(read);
        }
        position_ = got == length ? offset + got : kUnknown;
        return got;
    }

    static constexpr uint64_t kUnknown = UINT64_MAX;
    static constexpr size_t kMostPerRead = 1u << 30; // what one _read may be asked for
    static constexpr size_t kWindowSize = 64 * 1024;
    FILE* file_;
    int descriptor_;
    uint64_t position_ = kUnknown; // where the descriptor stands
    std::unique_ptr<unsigned char[]> window_;
    uint64_t windowStart_ = 0; // the window holds windowLength_ bytes of the file from here
    uint64_t windowLength_ = 0;
};

class MemorySourceOf final : public ByteSource {
public:
    MemorySourceOf(const void* bytes, size_t size)
        : bytes_(static_cast<const unsigned char*>(bytes)), size_(size) {}

    bool Size(uint64_t* size) override {
        *size = size_;
        return true;
    }

    size_t Read(uint64_t offset, void* buffer, size_t length) override {
        if (offset >= size_) {
            return 0;
        }
        size_t got = length < size_ - offset ? length : size_t(size_ - offset);
        std::memcpy(buffer, bytes_ + offset, got);
        return got;
    }

private:
    const unsigned char* bytes_;
    size_t size_;
};

} // namespace

std::unique_ptr<ByteSource> OpenFileSource(const char* path) {
    FILE* file = WinPathFopen(path, "rb");
    if (!file) {
        return nullptr;
    }
    std::unique_ptr<ByteSource> source(new (std::nothrow) FileSource(file));
    if (!source) {
        fclose(file);
    }
    return source;
}

std::unique_ptr<ByteSource> MemorySource(const void* bytes, size_t size) {
    return std::unique_ptr<ByteSource>(new (std::nothrow) MemorySourceOf(bytes, size));
}
