#include "vfs/mount.h"

#include "platform/win32.h"
#include "vfs/pack.h"
#include "vfs/pack_index.h"
#include "vfs/zip_records.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

const uint16_t kStored = 0;
const uint16_t kDeflated = 8;
const uint16_t kEncryptedFlag = 1;

// The mounted archives, in mount order: where names repeat, the earliest archive's entry is
// the indexed one.
PackArchive* mountedArchives = nullptr;

// Windows paths name one file whatever the case of their letters or the direction of their
// slashes; a path mounted under one spelling is mounted under all of them.
bool SamePath(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int x = *a == '\\' ? '/' : std::tolower(static_cast<unsigned char>(*a));
        int y = *b == '\\' ? '/' : std::tolower(static_cast<unsigned char>(*b));
        if (x != y) {
            return false;
        }
        if (x == 0) {
            return true;
        }
    }
}

// The link that points to the archive mounted as `path`, or null.
PackArchive** FindMounted(const char* path) {
    for (PackArchive** link = &mountedArchives; *link; link = &(*link)->next) {
        if (SamePath((*link)->path, path)) {
            return link;
        }
    }
    return nullptr;
}

void FreeArchive(PackArchive* archive) {
    for (uint32_t i = 0; i < archive->entryCount; ++i) {
        std::free(archive->entries[i].name);
    }
    std::free(archive->entries);
    std::free(archive->path);
    if (archive->file) {
        fclose(archive->file);
    }
    std::free(archive);
}

// Entries the file layer cannot read, and those that name no file, stay out of the index.
bool Skipped(const ZipFileHeader& header) {
    if (header.method != kStored && header.method != kDeflated) {
        return true;
    }
    if ((header.flags & kEncryptedFlag) || header.nameLength == 0) {
        return true;
    }
    // A directory; this also covers the only names that normalise to nothing, "./" and ".\\".
    char last = header.name[header.nameLength - 1];
    if (last == '/' || last == '\\') {
        return true;
    }
    return std::memchr(header.name, '\0', header.nameLength) != nullptr; // no C string holds it
}

// Adds the entry of a file header to the archive's entries, once its data has been found
// within the file.
MountResult AddEntry(PackArchive* archive, uint64_t fileSize, const ZipFileHeader& header) {
    if (header.method == kStored && header.compressedSize != header.size) {
        return kCorrupt;
    }
    uint64_t dataOffset = 0;
    MountResult result = ReadZipLocalHeader(archive->file, fileSize, header.localHeaderOffset,
                                            header.compressedSize, &dataOffset);
    if (result != kMountOk) {
        return result;
    }
    // An entry beyond 32 bits refuses the whole archive instead of vanishing from it: a game
    // that misses one file fails far from the cause, a refused mount says why at once.
    if (dataOffset + header.compressedSize > UINT32_MAX || header.size > UINT32_MAX) {
        return kTooLarge;
    }
    char* name = static_cast<char*>(std::malloc(size_t(header.nameLength) + 1));
    if (!name) {
        return kNoMemory;
    }
    std::memcpy(name, header.name, header.nameLength);
    name[header.nameLength] = '\0';
    vfnormalize(name);
    // Normalising removes one leading "./"; an indexed name has none at all, or no path that a
    // caller normalises would ever find it.
    size_t dots = 0;
    while (name[dots] == '.' && name[dots + 1] == '/') {
        dots += 2;
    }
    std::memmove(name, name + dots, std::strlen(name + dots) + 1); // never empty: not a folder
    archive->entries[archive->entryCount++] = {archive,
                                               name,
                                               uint32_t(dataOffset),
                                               uint32_t(header.compressedSize),
                                               uint32_t(header.size),
                                               header.method == kDeflated ? 1 : 0};
    return kMountOk;
}

// Reads the central directory into the archive's entries, in the archive's order.
MountResult LoadEntries(PackArchive* archive) {
    uint64_t fileSize = 0;
    if (!ZipFileSize(archive->file, &fileSize)) {
        return kCannotOpen;
    }
    ZipDirectory directory;
    MountResult result = ReadZipDirectoryLocation(archive->file, fileSize, &directory);
    if (result != kMountOk) {
        return result;
    }
    if (directory.entryCount > UINT32_MAX) {
        return kTooLarge;
    }
    if (directory.size > SIZE_MAX) {
        return kNoMemory;
    }
    std::unique_ptr<unsigned char[]> bytes(
        new (std::nothrow) unsigned char[size_t(directory.size)]);
    if (!bytes) {
        return kNoMemory;
    }
    if (!ReadZipBytes(archive->file, directory.offset, bytes.get(), size_t(directory.size))) {
        return kCannotOpen;
    }
    // One more than needed, so that an archive without files gets an array too.
    archive->entries =
        static_cast<PackEntry*>(std::calloc(size_t(directory.entryCount) + 1, sizeof(PackEntry)));
    if (!archive->entries) {
        return kNoMemory;
    }
    uint64_t position = 0;
    for (uint64_t i = 0; i < directory.entryCount; ++i) {
        ZipFileHeader header;
        result = ReadZipFileHeader(bytes.get(), directory.size, &position, &header);
        if (result == kMountOk && !Skipped(header)) {
            result = AddEntry(archive, fileSize, header);
        }
        if (result != kMountOk) {
            return result;
        }
    }
    return kMountOk;
}

} // namespace

MountResult vfmount(const char* path) {
    if (FindMounted(path)) {
        return kAlreadyMounted;
    }
    PackArchive* archive = static_cast<PackArchive*>(std::calloc(1, sizeof(PackArchive)));
    if (!archive) {
        return kNoMemory;
    }
    archive->path = _strdup(path);
    if (!archive->path) {
        FreeArchive(archive);
        return kNoMemory;
    }
    archive->file = fopen(path, "rb");
    MountResult result = archive->file ? LoadEntries(archive) : kCannotOpen;
    if (result == kMountOk && !IndexArchiveEntries(archive)) {
        result = kIndexFull;
    }
    if (result != kMountOk) {
        FreeArchive(archive);
        return result;
    }
    PackArchive** last = &mountedArchives;
    while (*last) {
        last = &(*last)->next;
    }
    *last = archive;
    return kMountOk;
}

MountResult vfunmount(const char* path) {
    PackArchive** link = FindMounted(path);
    if (!link) {
        return kNotMounted;
    }
    PackArchive* archive = *link;
    if (archive->openHandles != 0) {
        return kInUse;
    }
    UnindexArchiveEntries(archive);
    *link = archive->next;
    FreeArchive(archive);
    // Names that this archive hid in later ones come back: the remaining archives are indexed
    // again in mount order, which adds only names the index lacks. They always fit, since the
    // index held every name of every mounted archive before.
    for (PackArchive* remaining = mountedArchives; remaining; remaining = remaining->next) {
        IndexArchiveEntries(remaining);
    }
    return kMountOk;
}

const char* MountResultText(MountResult result) {
    switch (result) {
    case kMountOk:
        return "Done as asked.";
    case kCannotOpen:
        return "The archive cannot be opened or read.";
    case kNotAnArchive:
        return "The file is not a ZIP archive.";
    case kCorrupt:
        return "The archive is damaged: a record lies outside the file or contradicts itself.";
    case kTooLarge:
        return "The archive needs offsets or sizes beyond 32 bits.";
    case kIndexFull:
        return "The archive's files would not fit the archive index.";
    case kAlreadyMounted:
        return "The archive is mounted already.";
    case kNotMounted:
        return "No archive is mounted under this path.";
    case kInUse:
        return "Files of the archive are still open.";
    case kNoMemory:
        return "There is not enough memory.";
    }
    return "Unknown mount result.";
}
