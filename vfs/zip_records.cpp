#include "vfs/internal/zip_records.h"
#include "vfs/zip_format.h"

#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>

namespace {

using namespace zip;

uint16_t Read16(const unsigned char* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t Read32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint64_t Read64(const unsigned char* p) {
    return Read32(p) | uint64_t(Read32(p + 4)) << 32;
}

// True when `length` bytes from `offset` end at or before `limit`, without overflow.
bool Within(uint64_t offset, uint64_t length, uint64_t limit) {
    return offset <= limit && length <= limit - offset;
}

// The end record and its offset: the last one in the file's last 22 + 65535 bytes whose comment
// ends exactly at the end of the file, else the last one whose comment fits (bytes appended
// after an archive are tolerated). A comment may hold the signature's bytes itself.
MountResult FindEndRecord(ByteSource& source, uint64_t fileSize, unsigned char (&end)[kEndSize],
                          uint64_t* endOffset) {
    if (fileSize < kEndSize) {
        return kNotAnArchive;
    }
    size_t tailLength =
        size_t(fileSize < kEndSize + kMaxCommentLength ? fileSize : kEndSize + kMaxCommentLength);
    uint64_t tailOffset = fileSize - tailLength;
    std::unique_ptr<unsigned char[]> tail(new (std::nothrow) unsigned char[tailLength]);
    if (!tail) {
        return kNoMemory;
    }
    if (!ReadZipBytes(source, tailOffset, tail.get(), tailLength)) {
        return kCannotOpen;
    }
    size_t found = tailLength; // none yet
    for (size_t at = tailLength - kEndSize + 1; at-- > 0;) {
        if (Read32(&tail[at]) != kEndSignature) {
            continue;
        }
        size_t recordEnd = at + kEndSize + Read16(&tail[at + kEndCommentLength]);
        if (recordEnd == tailLength) {
            found = at;
            break;
        }
        if (recordEnd < tailLength && found == tailLength) {
            found = at;
        }
    }
    if (found == tailLength) {
        return kNotAnArchive;
    }
    std::memcpy(end, &tail[found], kEndSize);
    *endOffset = tailOffset + found;
    return kMountOk;
}

// Reads the ZIP64 end record that the locator just before the end record points to, and
// lowers `*limit` to its offset. Without a locator the saturated 32-bit values stand: an
// archive may really hold 65535 entries.
MountResult ReadZip64End(ByteSource& source, uint64_t endOffset, ZipDirectory* directory,
                         uint64_t* limit) {
    if (endOffset < kZip64LocatorSize) {
        return kMountOk;
    }
    unsigned char locator[kZip64LocatorSize];
    uint64_t locatorOffset = endOffset - kZip64LocatorSize;
    if (!ReadZipBytes(source, locatorOffset, locator, sizeof locator)) {
        return kCannotOpen;
    }
    if (Read32(locator) != kZip64LocatorSignature) {
        return kMountOk;
    }
    uint64_t recordOffset = Read64(locator + kZip64LocatorEndOffset);
    if (!Within(recordOffset, kZip64EndSize, locatorOffset)) {
        return kCorrupt;
    }
    unsigned char record[kZip64EndSize];
    if (!ReadZipBytes(source, recordOffset, record, sizeof record)) {
        return kCannotOpen;
    }
    if (Read32(record) != kZip64EndSignature) {
        return kCorrupt;
    }
    directory->entryCount = Read64(record + kZip64EndEntryCount);
    directory->size = Read64(record + kZip64EndDirectorySize);
    directory->offset = Read64(record + kZip64EndDirectoryOffset);
    *limit = recordOffset;
    return kMountOk;
}

// Takes the header's saturated values from the ZIP64 field, which holds, in this order, those
// of size, compressed size and local header offset that are 0xFFFFFFFF in the header.
MountResult ReadZip64Field(const unsigned char* field, size_t length, ZipFileHeader* header) {
    uint64_t* wanted[3];
    size_t count = 0;
    for (uint64_t* value : {&header->size, &header->compressedSize, &header->localHeaderOffset}) {
        if (*value == 0xFFFFFFFF) {
            wanted[count++] = value;
        }
    }
    if (length < 8 * count) {
        return kCorrupt;
    }
    for (size_t i = 0; i < count; ++i) {
        *wanted[i] = Read64(field + 8 * i);
    }
    return kMountOk;
}

MountResult ApplyZip64Extra(const unsigned char* extra, size_t length, ZipFileHeader* header) {
    if (header->size != 0xFFFFFFFF && header->compressedSize != 0xFFFFFFFF &&
        header->localHeaderOffset != 0xFFFFFFFF) {
        return kMountOk;
    }
    // Each field is an id, a length and its data; every turn moves at least 4 bytes on.
    size_t at = 0;
    while (length - at >= 4) {
        uint16_t id = Read16(extra + at);
        size_t fieldLength = Read16(extra + at + 2);
        at += 4;
        if (fieldLength > length - at) {
            return kCorrupt;
        }
        if (id == kZip64ExtraId) {
            return ReadZip64Field(extra + at, fieldLength, header);
        }
        at += fieldLength;
    }
    return kCorrupt; // the header defers to a ZIP64 field that is not there
}

// Bytes written in front of an archive without adjusting its offsets leave the directory
// ending short of the end records by their length. The shift is taken only where the recorded
// offset holds no file header and the shifted one does, so an archive that reads as it is
// never changes.
MountResult FindPrefix(ByteSource& source, uint64_t limit, ZipDirectory* directory) {
    uint64_t shift = limit - directory->offset - directory->size;
    if (shift == 0 || directory->size == 0) {
        return kMountOk;
    }
    unsigned char signature[4];
    for (uint64_t offset : {directory->offset, directory->offset + shift}) {
        if (!ReadZipBytes(source, offset, signature, sizeof signature)) {
            return kCannotOpen;
        }
        if (Read32(signature) == kFileHeaderSignature) {
            directory->prefixLength = offset - directory->offset;
            directory->offset = offset;
            return kMountOk;
        }
    }
    return kCorrupt;
}

} // namespace

bool ReadZipBytes(ByteSource& source, uint64_t offset, void* buffer, size_t length) {
    return source.Read(offset, buffer, length) == length;
}

MountResult ReadZipDirectoryLocation(ByteSource& source, uint64_t fileSize,
                                     ZipDirectory* directory) {
    unsigned char end[kEndSize];
    uint64_t endOffset = 0;
    MountResult result = FindEndRecord(source, fileSize, end, &endOffset);
    if (result != kMountOk) {
        return result;
    }
    directory->entryCount = Read16(end + kEndEntryCount);
    directory->size = Read32(end + kEndDirectorySize);
    directory->offset = Read32(end + kEndDirectoryOffset);
    uint64_t limit = endOffset;
    if (directory->entryCount == 0xFFFF || directory->size == 0xFFFFFFFF ||
        directory->offset == 0xFFFFFFFF) {
        result = ReadZip64End(source, endOffset, directory, &limit);
        if (result != kMountOk) {
            return result;
        }
    }
    if (!Within(directory->offset, directory->size, limit)) {
        return kCorrupt;
    }
    directory->prefixLength = 0;
    return FindPrefix(source, limit, directory);
}

MountResult ReadZipFileHeader(const unsigned char* directory, uint64_t directorySize,
                              uint64_t* position, ZipFileHeader* header) {
    if (!Within(*position, kFileHeaderSize, directorySize)) {
        return kCorrupt;
    }
    const unsigned char* fixed = directory + *position;
    if (Read32(fixed) != kFileHeaderSignature) {
        return kCorrupt;
    }
    const unsigned char* common = fixed + kFileCommonFields;
    header->versionMadeBy = Read16(fixed + kFileVersionMadeBy);
    header->externalAttributes = Read32(fixed + kFileExternalAttributes);
    header->flags = Read16(common + kFlags);
    header->method = Read16(common + kMethod);
    header->modTime = Read16(common + kTime);
    header->modDate = Read16(common + kDate);
    header->crc32 = Read32(common + kCrc);
    header->compressedSize = Read32(common + kCompressedSize);
    header->size = Read32(common + kSize);
    header->nameLength = Read16(common + kNameLength);
    uint16_t extraLength = Read16(common + kExtraLength);
    uint16_t commentLength = Read16(fixed + kFileCommentLength);
    header->localHeaderOffset = Read32(fixed + kFileLocalHeaderOffset);
    uint64_t variableLength = uint64_t(header->nameLength) + extraLength + commentLength;
    if (!Within(*position + kFileHeaderSize, variableLength, directorySize)) {
        return kCorrupt;
    }
    header->name = reinterpret_cast<const char*>(fixed + kFileHeaderSize);
    MountResult result =
        ApplyZip64Extra(fixed + kFileHeaderSize + header->nameLength, extraLength, header);
    *position += kFileHeaderSize + variableLength;
    return result;
}

MountResult ReadZipLocalHeader(ByteSource& source, uint64_t fileSize, uint64_t offset,
                               uint64_t compressedSize, uint64_t* dataOffset) {
    unsigned char local[kLocalHeaderSize];
    if (!Within(offset, sizeof local, fileSize)) {
        return kCorrupt;
    }
    if (!ReadZipBytes(source, offset, local, sizeof local)) {
        return kCannotOpen;
    }
    if (Read32(local) != kLocalHeaderSignature) {
        return kCorrupt;
    }
    // The local header's own name and extra lengths: its extra field may differ from the
    // central directory's.
    const unsigned char* common = local + kLocalCommonFields;
    uint64_t data =
        offset + sizeof local + Read16(common + kNameLength) + Read16(common + kExtraLength);
    if (!Within(data, compressedSize, fileSize)) {
        return kCorrupt;
    }
    *dataOffset = data;
    return kMountOk;
}
