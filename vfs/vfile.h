// Stdio-like file handles that read a file from disk or, when the disk has no such file, from
// an entry of a mounted archive. A handle is the runtime's FILE*: a disk stream, passed
// straight to the runtime, or an archive handle (a PackHandle) that only these functions
// understand. Callers never need to know which one they got.
#pragma once

#include <cstddef>
#include <cstdio>

struct PackEntry;

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
// 1 when two paths name one file under Windows rules, whatever the case of their ASCII letters
// or the direction of their slashes, else 0.
int vfsamepath(const char* a, const char* b);
