#include "vfs/internal/byte_source.h"

#include "platform/win32.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

class FileSource final : public ByteSource {
public:
    explicit FileSource(FILE* file) : file_(file) {}
    ~FileSource() override { fclose(file_); }

    bool Size(uint64_t* size) override {
        position_ = kUnknown;
        int64_t end = _fseeki64(file_, 0, SEEK_END) == 0 ? _ftelli64(file_) : -1;
        if (end < 0) {
            return false;
        }
        *size = uint64_t(end);
        return true;
    }

    // Reads that follow each other need no seek: the stream is where the last one ended.
    size_t Read(uint64_t offset, void* buffer, size_t length) override {
        if (offset != position_ &&
            (offset > uint64_t(INT64_MAX) || _fseeki64(file_, int64_t(offset), SEEK_SET) != 0)) {
            position_ = kUnknown;
            return 0;
        }
        size_t got = fread(buffer, 1, length, file_);
        position_ = offset + got;
        if (got != length) {
            clearerr(file_);
            position_ = kUnknown;
        }
        return got;
    }

private:
    static const uint64_t kUnknown = UINT64_MAX;
    FILE* file_;
    uint64_t position_ = kUnknown; // where the stream stands
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
