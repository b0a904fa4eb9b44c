// Inside the file layer only: the mounted archives, the one sorted index of their entries,
// and the handles that read them.
#pragma once

#include "vfs/pack_entry.h"

#include <cstdint>
#include <cstdio>
#include <zlib.h>

class ByteSource;

// One mounted archive file.
struct PackArchive {
    ByteSource* source;  // owned; every handle on the archive's entries reads through it
    int32_t openHandles; // handles open on its entries
    char* path;          // as it was mounted
    PackEntry* entries;  // all of its entries, in the archive's order
    uint32_t entryCount;
    PackArchive* next; // the next mounted archive
    uint32_t* crcs;    // the CRC-32 of each entry, as the archive records it
};

// Every indexed entry, sorted by name in unsigned byte order, no name twice.
const uint32_t kPackIndexSlots = 65536;
struct PackIndex {
    PackEntry* slots[kPackIndexSlots];
    uint32_t count;
};
extern PackIndex packIndex;

// While 0, names are lower-cased when normalised and lookups ignore case; nothing sets it.
extern int32_t packKeepCase;

// The handle on an open archive entry. Handles and runtime streams are told apart by the
// first 32-bit word.
const uint32_t kPackHandleMagic = 0x5A495041; // "APIZ" in memory
struct PackHandle {
    uint32_t magic;
    PackEntry* entry;
    uint32_t position; // in the entry's content
    // The decompression state of a compressed entry, live while streamActive is 1.
    int32_t streamActive;
    unsigned char* readAhead; // compressed input not yet consumed
    uint32_t fetched;         // compressed bytes read from the archive so far
    uint32_t capacity;        // of readAhead
    z_stream stream;
    // Small reads are served from content decompressed ahead into this buffer, so that zlib
    // always has room to work at full speed: the bytes from stagedStart, stagedLength of them.
    unsigned char* staged;
    uint32_t stagedStart;
    uint32_t stagedLength;
    PackHandle *previousOpen, *nextOpen; // the list of the handles open
};

// 1 if `handle` is an archive handle, else 0.
int vfispack(FILE* handle);
