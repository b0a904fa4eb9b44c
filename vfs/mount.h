// Mounting ZIP archives: their stored and deflated files become entries of the archive index,
// so the file layer finds them wherever the disk has no file of that name. See vfs/vfile.h for
// how a name is found. One thread mounts, opens and reads.
#pragma once

#include <cstddef>

enum MountResult {
    kMountOk = 0,
    kCannotOpen,     // the archive file cannot be opened or read
    kNotAnArchive,   // no ZIP end record
    kCorrupt,        // a record lies outside the file or contradicts itself
    kTooLarge,       // the archive needs more than 32 bits for its offsets or sizes
    kIndexFull,      // its entries would not fit the index
    kAlreadyMounted, // this path is mounted already
    kNotMounted,     // unmount of a path that is not mounted
    kInUse,          // unmount while handles on its entries are open
    kNoMemory,
};

// Reads the ZIP file's central directory and indexes its stored and deflated files. An entry
// whose name is indexed already keeps the earlier archive's entry. On failure nothing changes.
MountResult vfmount(const char* path);
// Mounts the `size` archive bytes at `bytes` under `name`, as vfmount mounts a file. The bytes
// are lent, not copied: they must stay as they are until the archive is unmounted.
MountResult vfmountbytes(const char* name, const void* bytes, size_t size);
// Takes the archive's entries out of the index and closes it.
MountResult vfunmount(const char* path);
// A sentence that says what a result means.
const char* MountResultText(MountResult result);
