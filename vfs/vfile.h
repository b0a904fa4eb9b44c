// The file layer: stdio-like handles that read a file from disk or, when the disk has no such
// file, from an entry of a mounted ZIP archive.
//
// How a name is found. The disk comes first, under Windows path rules: either slash separates,
// and a component that does not exist as written is matched without regard to ASCII case.
// Failing that, the name's normalised form (vfs/file_name.h: slashes, lower case, one leading
// "./" removed) must equal an indexed entry's name. The index holds each name once: where
// archives share a name, the one mounted first wins, and unmounting it brings the next one's
// entry back (vfs/mount.h).
//
// Limits: at most 65,536 indexed entries; every archive offset and entry size within 32 bits
// (a mount refuses an archive that needs more); an archive entry is read-only.
//
// A handle is the runtime's FILE*: a disk stream, passed straight to the runtime, or an archive
// handle that only these functions understand, so callers never need to know which they got.
// The other headers: vfs/pack_entry.h (the entries), vfs/mount.h (mounting), vfs/listing.h
// (all that an archive holds), vfs/crc_log.h (the file checksum log).
//
// One thread mounts, opens and reads; nothing here takes a lock.
//
// Memory: a start-up step that fails leaves the launcher going on with its defaults, so running
// out of memory is a failure like any other, never the end of the process. Every allocation on
// the launcher's paths and a parse's (this layer, script/) reports failure as a result: a null
// handle, a mount result, a parse that fails with "out of memory". No container that throws
// is used there.
#pragma once

#include "vfs/pack_entry.h"

#include <cstddef>
#include <cstdio>

// Opens `path` on disk with `mode`, as fopen does; failing that, the archive entry of that
// name, read-only whatever the mode. Null when neither exists.
FILE* vfopen(const char* path, const char* mode);
// Opens a handle on an archive entry itself, whether the index finds it by its name or not
// (an earlier archive may hide it); null when no handle can be made.
FILE* vfopenentry(PackEntry* entry);
// Reads up to `count` elements of `size` bytes; the number of whole elements read.
size_t vfread(void* buffer, size_t size, size_t count, FILE* handle);
// Moves the position (origin SEEK_SET, SEEK_CUR or SEEK_END); 0 on success.
int vfseek(FILE* handle, long offset, int origin);
long vftell(FILE* handle);
int vfclose(FILE* handle);
// 1 when a mounted archive holds `path` (the disk is not consulted), else 0.
int vfexists(const char* path);
