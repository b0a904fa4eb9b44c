// The records of a ZIP file that a mount reads: the end record (and its ZIP64 form), the file
// headers of the central directory, and the local headers. Every offset and size taken from
// the file is checked against the file's size before it is used.
#pragma once

#include "vfs/mount.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Where the central directory lies and how many file headers it holds.
struct ZipDirectory {
    uint64_t offset;
    uint64_t size;
    uint64_t entryCount;
    // Bytes in front of the archive that its offsets do not count (a self-extractor's stub):
    // added to every offset that the directory holds.
    uint64_t prefixLength;
};

// One file header of the central directory, its ZIP64 values applied.
struct ZipFileHeader {
    uint16_t flags;
    uint16_t method;
    uint16_t modTime; // MS-DOS form, local time
    uint16_t modDate;
    uint32_t crc32;
    uint64_t compressedSize;
    uint64_t size;
    uint64_t localHeaderOffset;
    const char* name; // inside the directory's bytes, not terminated
    uint16_t nameLength;
};

// The length of an open file; false when it cannot be told.
bool ZipFileSize(FILE* file, uint64_t* size);
// Reads `length` bytes at `offset`; false on a failed seek or a short read.
bool ReadZipBytes(FILE* file, uint64_t offset, void* buffer, size_t length);

// Finds the end record among the file's last bytes and, where its fields are saturated and a
// ZIP64 locator precedes it, the ZIP64 end record. The directory lies before the end records;
// where it does not lie at its recorded offset but ends right at them, the difference is taken
// as a stub in front of the archive, as unzip does.
MountResult ReadZipDirectoryLocation(FILE* file, uint64_t fileSize, ZipDirectory* directory);
// Reads the file header at `*position` of the directory's bytes and moves `*position` past it.
MountResult ReadZipFileHeader(const unsigned char* directory, uint64_t directorySize,
                              uint64_t* position, ZipFileHeader* header);
// The offset of the first data byte of the entry whose local header is at `offset` and whose
// data, `compressedSize` bytes, must lie within the file.
MountResult ReadZipLocalHeader(FILE* file, uint64_t fileSize, uint64_t offset,
                               uint64_t compressedSize, uint64_t* dataOffset);
