// Where a mounted archive's bytes come from: its file, or a block of memory that the caller
// lends for as long as the archive stays mounted. Inside the file layer only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The number of bytes; false when it cannot be told.
    virtual bool Size(uint64_t* size) = 0;
    // Copies up to `length` bytes from `offset` into `buffer`: how many, fewer only past the
    // end or where the file cannot be positioned or read.
    virtual size_t Read(uint64_t offset, void* buffer, size_t length) = 0;
};

// The file at `path`, under Windows path rules; null when it cannot be opened for reading.
std::unique_ptr<ByteSource> OpenFileSource(const char* path);
// The `size` bytes at `bytes`, which must stay as they are while the source lives.
std::unique_ptr<ByteSource> MemorySource(const void* bytes, size_t size);
