// The records of a ZIP file that a mount reads: the end record (and its ZIP64 form), the file
// headers of the central directory, and the local headers. Every offset and size taken from
// the archive is checked against its size before it is used. Inside the file layer only.
#pragma once

#include "vfs/internal/byte_source.h"
#include "vfs/listing.h"

#include <cstddef>
#include <cstdint>

// Where the central directory lies, and how many file headers the end records say it holds.
struct ZipDirectory {
    uint64_t offset;
    uint64_t size;
    // Not the number of file headers: a count of 16 bits wraps at 65536 files where no ZIP64
    // record was written, and some writers leave it low. The size is what counts.
    uint64_t entryCount;
    // Bytes in front of the archive that its offsets do not count (a self-extractor's stub):
    // added to every offset that the directory holds.
    uint64_t prefixLength;
};

// Reads `length` bytes at `offset`; false when they are not all there.
bool ReadZipBytes(ByteSource& source, uint64_t offset, void* buffer, size_t length);

// Finds the end record among the file's last bytes and, where its fields are saturated and a
// ZIP64 locator precedes it, the ZIP64 end record. The directory lies before the end records;
// where it does not lie at its recorded offset but ends right at them, the difference is taken
// as a stub in front of the archive, as unzip does.
MountResult ReadZipDirectoryLocation(ByteSource& source, uint64_t fileSize,
                                     ZipDirectory* directory);
// Reads the file header at `*position` of the directory's bytes and moves `*position` past it.
MountResult ReadZipFileHeader(const unsigned char* directory, uint64_t directorySize,
                              uint64_t* position, ZipFileHeader* header);
// The offset of the first data byte of the entry whose local header is at `offset` and whose
// data, `compressedSize` bytes, must lie within the file.
MountResult ReadZipLocalHeader(ByteSource& source, uint64_t fileSize, uint64_t offset,
                               uint64_t compressedSize, uint64_t* dataOffset);
