// The entries of mounted archives as callers of the file layer see them: found by name, walked
// in the index's order, or asked of an open handle. The archive they belong to, the index and
// the handles' insides stay within the file layer. See vfs/vfile.h for how names are found.
// One thread mounts, opens and reads.
#pragma once

#include <cstdint>
#include <cstdio>

struct PackArchive;

// One file inside a mounted archive, valid while its archive is mounted.
struct PackEntry {
    PackArchive* archive;
    char* name;              // normalised (see vfs/file_name.h)
    uint32_t dataOffset;     // of the first data byte, from the start of the archive
    uint32_t compressedSize; // bytes of the raw deflate stream, for a compressed entry
    uint32_t size;           // length of the content
    int32_t compressed;      // nonzero: raw deflate; 0: stored as it is
};

// The indexed entry whose name is the normalised form of `name`, or null.
PackEntry* vflookup(const char* name);
// The entry that an archive handle reads; null for a disk stream or no handle.
const PackEntry* vfhandleentry(FILE* handle);
// The path (or name) that the entry's archive was mounted under.
const char* vfarchivepath(const PackEntry* entry);
// The indexed entries, in the index's order (by name, unsigned bytes): how many there are, and
// the one at `position` (null past the end).
uint32_t vfindexcount();
const PackEntry* vfindexentry(uint32_t position);
