// Every file header of a mounted archive's central directory, also those that the file layer
// cannot serve, for tools that show what an archive holds and what the game will see of it.
// See vfs/vfile.h for how a name is found. One thread mounts, opens and reads.
#pragma once

#include "vfs/mount.h"
#include "vfs/pack_entry.h"

#include <cstdint>

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
    uint16_t versionMadeBy;      // the system, in the high byte, whose attributes follow
    uint32_t externalAttributes; // on Unix, the file's mode in the high 16 bits
};

// Whether the mount indexes a file header, and why not.
enum EntryService {
    kServed,            // a stored or deflated file: an entry of the archive
    kDirectoryEntry,    // the name ends with a slash
    kEncryptedEntry,    // the data is encrypted
    kUnsupportedMethod, // compressed with a method other than deflate
    kUnnamedEntry,      // an empty name, or one that holds a NUL byte
};

struct ListedEntry {
    const ZipFileHeader* header; // valid during the visit only
    EntryService service;
    PackEntry* entry; // the archive's entry for a served header (it may be hidden in the index
                      // by an earlier archive's entry of that name), else null
};

EntryService EntryServiceOf(const ZipFileHeader& header);
// Reads the central directory of the archive mounted as `path` again and calls `visit` with
// each file header in the archive's order.
MountResult vflistarchive(const char* path, void (*visit)(const ListedEntry& listed, void* context),
                          void* context);
// The CRC-32 of a mounted entry's content, as its archive records it.
uint32_t vfentrycrc(const PackEntry* entry);
