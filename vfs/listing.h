// Every file header of a mounted archive's central directory, also those that the file layer
// cannot serve, for tools that show what an archive holds and what the game will see of it.
#pragma once

#include "vfs/mount.h"
#include "vfs/pack.h"
#include "vfs/zip_records.h"

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
