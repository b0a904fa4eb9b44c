#include "vfs/mount.h"

#include "diag/log.h"
#include "platform/win32.h"
#include "vfs/file_name.h"
#include "vfs/internal/pack.h"
#include "vfs/internal/pack_index.h"
#include "vfs/internal/zip_records.h"
#include "vfs/listing.h"
#include "vfs/vfile.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

const uint16_t kStored = 0;
const uint16_t kDeflated = 8;
const uint16_t kEncryptedFlag = 1;

// An archive's central directory read whole, with what its end records say.
struct CentralDirectory {
    uint64_t fileSize = 0;
    ZipDirectory location = {};
    std::unique_ptr<unsigned char[]> bytes;
    uint32_t headerCount = 0; // the file headers that fill the directory
};

// The mounted archives, in mount order: where names repeat, the earliest archive's entry is
// the indexed one.
PackArchive* mountedArchives = nullptr;

// The link that points to the archive mounted as `path`, or null; a path mounted under one
// spelling is mounted under all of them.
PackArchive** FindMounted(const char* path) {
    for (PackArchive** link = &mountedArchives; *link; link = &(*link)->next) {
        if (vfsamepath((*link)->path, path)) {
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
    std::free(archive->crcs);
    std::free(archive->path);
    delete archive->source;
    std::free(archive);
}

// Adds the entry of a file header to the archive's entries, once its data has been found
// within the file.
MountResult AddEntry(PackArchive* archive, const CentralDirectory& directory,
                     const ZipFileHeader& header) {
    if (header.method == kStored && header.compressedSize != header.size) {
        return kCorrupt;
    }
    uint64_t dataOffset = 0;
    if (header.localHeaderOffset > UINT64_MAX - directory.location.prefixLength) {
        return kCorrupt;
    }
    uint64_t localHeaderOffset = header.localHeaderOffset + directory.location.prefixLength;
    MountResult result = ReadZipLocalHeader(*archive->source, directory.fileSize, localHeaderOffset,
                                            header.compressedSize, &dataOffset);
    if (result != kMountOk) {
        return result;
    }
    // An entry beyond 32 bits refuses the whole archive instead of vanishing from it: a game
    // that misses one file fails far from the cause, a refused mount says why at once.
    if (dataOffset + header.compressedSize > UINT32_MAX || header.size > UINT32_MAX) {
        return kTooLarge;
    }
    char* name = _strdup(FileName({header.name, header.nameLength}, NameForm::kIndexed).c_str());
    if (!name) {
        return kNoMemory;
    }
    archive->crcs[archive->entryCount] = header.crc32;
    archive->entries[archive->entryCount++] = {archive,
                                               name,
                                               uint32_t(dataOffset),
                                               uint32_t(header.compressedSize),
                                               uint32_t(header.size),
                                               header.method == kDeflated ? 1 : 0};
    return kMountOk;
}

// Calls `visit` with each file header of the directory, in the archive's order, until one
// visit fails. The headers fill the directory to its recorded size, whatever its count says.
template <typename Visit>
MountResult WalkCentralDirectory(const CentralDirectory& directory, Visit visit) {
    // Every header moves the position on by 46 bytes at the least.
    for (uint64_t position = 0; position < directory.location.size;) {
        ZipFileHeader header;
        MountResult result =
            ReadZipFileHeader(directory.bytes.get(), directory.location.size, &position, &header);
        if (result == kMountOk) {
            result = visit(header);
        }
        if (result != kMountOk) {
            return result;
        }
    }
    return kMountOk;
}

// Reads the directory and checks that file headers fill it: a count below them is taken as
// wrapped or low, a count above them claims files that are not there.
MountResult ReadCentralDirectory(ByteSource& source, CentralDirectory* directory) {
    if (!source.Size(&directory->fileSize)) {
        return kCannotOpen;
    }
    MountResult result =
        ReadZipDirectoryLocation(source, directory->fileSize, &directory->location);
    if (result != kMountOk) {
        return result;
    }
    if (directory->location.size > SIZE_MAX) {
        return kNoMemory;
    }
    size_t size = size_t(directory->location.size);
    directory->bytes.reset(new (std::nothrow) unsigned char[size]);
    if (!directory->bytes) {
        return kNoMemory;
    }
    if (!ReadZipBytes(source, directory->location.offset, directory->bytes.get(), size)) {
        return kCannotOpen;
    }
    uint64_t headers = 0;
    result = WalkCentralDirectory(*directory, [&](const ZipFileHeader&) {
        ++headers;
        return kMountOk;
    });
    if (result != kMountOk) {
        return result;
    }
    if (directory->location.entryCount > headers) {
        return kCorrupt;
    }
    if (headers > UINT32_MAX) {
        return kTooLarge;
    }
    directory->headerCount = uint32_t(headers);
    return kMountOk;
}

// Reads the central directory into the archive's entries, in the archive's order.
MountResult LoadEntries(PackArchive* archive) {
    CentralDirectory directory;
    MountResult result = ReadCentralDirectory(*archive->source, &directory);
    if (result != kMountOk) {
        return result;
    }
    // One more than needed, so that an archive without files gets arrays too.
    size_t slots = size_t(directory.headerCount) + 1;
    archive->entries = static_cast<PackEntry*>(std::calloc(slots, sizeof(PackEntry)));
    archive->crcs = static_cast<uint32_t*>(std::calloc(slots, sizeof(uint32_t)));
    if (!archive->entries || !archive->crcs) {
        return kNoMemory;
    }
    return WalkCentralDirectory(directory, [&](const ZipFileHeader& header) {
        return EntryServiceOf(header) == kServed ? AddEntry(archive, directory, header) : kMountOk;
    });
}

// Mounts the archive whose bytes `source` gives under `path`; null: it could not be opened.
MountResult Mount(const char* path, std::unique_ptr<ByteSource> source) {
    if (!source) {
        return kCannotOpen;
    }
    PackArchive* archive = static_cast<PackArchive*>(std::calloc(1, sizeof(PackArchive)));
    if (!archive) {
        return kNoMemory;
    }
    archive->source = source.release();
    archive->path = _strdup(path);
    MountResult result = archive->path ? LoadEntries(archive) : kNoMemory;
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
    SetLogArchiveLookup(vfexists); // the log's marker file may come from an archive too
    return kMountOk;
}

} // namespace

MountResult vfmount(const char* path) {
    return FindMounted(path) ? kAlreadyMounted : Mount(path, OpenFileSource(path));
}

MountResult vfmountbytes(const char* name, const void* bytes, size_t size) {
    return FindMounted(name) ? kAlreadyMounted : Mount(name, MemorySource(bytes, size));
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

EntryService EntryServiceOf(const ZipFileHeader& header) {
    if (header.nameLength == 0 || std::memchr(header.name, '\0', header.nameLength)) {
        return kUnnamedEntry; // no C string holds it
    }
    // A directory; this also covers the only names that normalise to nothing, "./" and ".\\".
    char last = header.name[header.nameLength - 1];
    if (last == '/' || last == '\\') {
        return kDirectoryEntry;
    }
    if (header.flags & kEncryptedFlag) {
        return kEncryptedEntry;
    }
    return header.method == kStored || header.method == kDeflated ? kServed : kUnsupportedMethod;
}

MountResult vflistarchive(const char* path, void (*visit)(const ListedEntry&, void*),
                          void* context) {
    PackArchive** link = FindMounted(path);
    if (!link) {
        return kNotMounted;
    }
    PackArchive* archive = *link;
    CentralDirectory directory;
    MountResult result = ReadCentralDirectory(*archive->source, &directory);
    if (result != kMountOk) {
        return result;
    }
    // The served headers are the archive's entries, in the same order.
    uint32_t served = 0;
    return WalkCentralDirectory(directory, [&](const ZipFileHeader& header) {
        ListedEntry listed = {&header, EntryServiceOf(header), nullptr};
        if (listed.service == kServed) {
            if (served == archive->entryCount) {
                return kCorrupt; // the file changed since it was mounted
            }
            listed.entry = &archive->entries[served++];
        }
        visit(listed, context);
        return kMountOk;
    });
}

const char* vfarchivepath(const PackEntry* entry) {
    return entry->archive->path;
}

uint32_t vfentrycrc(const PackEntry* entry) {
    return entry->archive->crcs[entry - entry->archive->entries];
}
