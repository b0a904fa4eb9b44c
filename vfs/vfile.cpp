#include "vfs/vfile.h"

#include "platform/win32.h"
#include "vfs/internal/byte_source.h"
#include "vfs/internal/pack.h"
#include "vfs/internal/zstream.h"

#include <cstdlib>
#include <cstring>

namespace {

// The archive handles now open, newest first: a runtime stream whose first word happens to
// equal the magic is still no archive handle. A list costs no allocation that could fail, and
// a program keeps few archive files open at once.
PackHandle* openPackHandles = nullptr;

bool IsOpenPackHandle(const void* handle) {
    for (const PackHandle* open = openPackHandles; open; open = open->nextOpen) {
        if (open == handle) {
            return true;
        }
    }
    return false;
}

PackHandle* PackHandleOf(FILE* handle) {
    return vfispack(handle) ? reinterpret_cast<PackHandle*>(handle) : nullptr;
}

} // namespace

int vfispack(FILE* handle) {
    if (!handle) {
        return 0;
    }
    uint32_t magic;
    std::memcpy(&magic, handle, sizeof magic);
    return magic == kPackHandleMagic && IsOpenPackHandle(handle) ? 1 : 0;
}

FILE* vfopen(const char* path, const char* mode) {
    if (FILE* disk = WinPathFopen(path, mode)) {
        return disk;
    }
    PackEntry* entry = vflookup(path);
    return entry ? vfopenentry(entry) : nullptr;
}

const PackEntry* vfhandleentry(FILE* file) {
    PackHandle* handle = PackHandleOf(file);
    return handle ? handle->entry : nullptr;
}

FILE* vfopenentry(PackEntry* entry) {
    PackHandle* handle = static_cast<PackHandle*>(std::calloc(1, sizeof(PackHandle)));
    if (!handle) {
        return nullptr;
    }
    handle->magic = kPackHandleMagic;
    handle->entry = entry;
    ++entry->archive->openHandles;
    handle->nextOpen = openPackHandles;
    if (openPackHandles) {
        openPackHandles->previousOpen = handle;
    }
    openPackHandles = handle;
    return reinterpret_cast<FILE*>(handle);
}

size_t vfread(void* buffer, size_t size, size_t count, FILE* file) {
    PackHandle* handle = PackHandleOf(file);
    if (!handle) {
        return fread(buffer, size, count, file);
    }
    if (size == 0 || count == 0) {
        return 0;
    }
    const PackEntry* entry = handle->entry;
    // What was asked for, lowered to what is left; worked out so that it cannot overflow.
    uint32_t left = entry->size - handle->position;
    uint32_t bytes = count > left / size ? left : uint32_t(size * count);
    if (bytes == 0) {
        return 0; // at the end already: no stream to start
    }
    uint32_t done;
    if (entry->compressed) {
        // The whole content in one read, as game files are read, is decompressed at once.
        bool whole = handle->position == 0 && bytes == entry->size;
        done = whole && vfzreadwhole(entry, buffer)
                   ? bytes
                   : vfzread(handle, handle->position, buffer, bytes);
    } else {
        done = uint32_t(entry->archive->source->Read(uint64_t(entry->dataOffset) + handle->position,
                                                     buffer, bytes));
    }
    handle->position += done;
    return done / size;
}

int vfseek(FILE* file, long offset, int origin) {
    PackHandle* handle = PackHandleOf(file);
    if (!handle) {
        return fseek(file, offset, origin);
    }
    int64_t base;
    switch (origin) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = handle->position;
        break;
    case SEEK_END:
        base = handle->entry->size;
        break;
    default:
        return 0; // an unknown origin moves nothing
    }
    int64_t target = base + offset;
    if (target < 0 || target > int64_t(handle->entry->size)) {
        return 1;
    }
    handle->position = uint32_t(target);
    return 0;
}

long vftell(FILE* file) {
    PackHandle* handle = PackHandleOf(file);
    return handle ? long(handle->position) : ftell(file);
}

int vfclose(FILE* file) {
    PackHandle* handle = PackHandleOf(file);
    if (!handle) {
        return fclose(file);
    }
    if (handle->streamActive) {
        vfzend(handle);
    }
    --handle->entry->archive->openHandles;
    (handle->previousOpen ? handle->previousOpen->nextOpen : openPackHandles) = handle->nextOpen;
    if (handle->nextOpen) {
        handle->nextOpen->previousOpen = handle->previousOpen;
    }
    handle->magic = 0;
    std::free(handle);
    return 0;
}

int vfexists(const char* path) {
    return vflookup(path) ? 1 : 0;
}
