// The process's memory: blocks of new memory and read-only views of files, in the kernel's
// pages. Every region handed out is recorded with its length, because munmap needs it and
// VirtualFree and UnmapViewOfFile are given only the start.
#include "internal.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::KernelObject;

namespace {

// Blocks this long or longer start on a large-page boundary and are offered to the kernel for
// large pages: one fault then brings in 2 MiB, where it would bring in 4 KiB.
const size_t kLargePage = size_t(2) << 20;
// Views start at multiples of this, as on Windows, whatever the page size.
const uint64_t kViewGranularity = 64 * 1024;

struct Region {
    size_t length;
    bool view; // of a file: its pages can be dropped and read again
};

std::mutex regionLock;
std::map<uintptr_t, Region> regions; // by start

void Record(void* start, size_t length, bool view) {
    std::lock_guard<std::mutex> lock(regionLock);
    regions[uintptr_t(start)] = Region{length, view};
}

// Forgets the region that starts at `start` and unmaps it; false when none starts there, or
// when it is a block and `view`, or the other way round.
bool Release(const void* start, bool view) {
    Region region;
    {
        std::lock_guard<std::mutex> lock(regionLock);
        auto found = regions.find(uintptr_t(start));
        if (found == regions.end() || found->second.view != view) {
            return false;
        }
        region = found->second;
        regions.erase(found);
    }
    munmap(const_cast<void*>(start), region.length);
    return true;
}

// New zeroed memory of `size` bytes; large blocks aligned to a large page and advised for one.
void* NewBlock(size_t size) {
    if (size < kLargePage) {
        void* block =
            mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return block == MAP_FAILED ? nullptr : block;
    }
    size_t rounded = (size + kLargePage - 1) & ~(kLargePage - 1);
    if (rounded < size || rounded + kLargePage < rounded) {
        errno = ENOMEM;
        return nullptr;
    }
    void* reserved = mmap(nullptr, rounded + kLargePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (reserved == MAP_FAILED) {
        return nullptr;
    }
    uintptr_t start = (uintptr_t(reserved) + kLargePage - 1) & ~uintptr_t(kLargePage - 1);
    size_t before = start - uintptr_t(reserved);
    if (before != 0) {
        munmap(reserved, before);
    }
    munmap(reinterpret_cast<void*>(start + rounded), kLargePage - before);
#if defined(MADV_HUGEPAGE)
    madvise(reinterpret_cast<void*>(start), rounded, MADV_HUGEPAGE); // a hint; refused is fine
#endif
    return reinterpret_cast<void*>(start);
}

} // namespace

extern "C" LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType,
                                      DWORD protect) {
    if (address || size == 0 || !(allocationType & MEM_COMMIT) ||
        (allocationType & ~(MEM_COMMIT | MEM_RESERVE)) || protect != PAGE_READWRITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* block = NewBlock(size);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Record(block, size < kLargePage ? size : (size + kLargePage - 1) & ~(kLargePage - 1), false);
    return block;
}

extern "C" BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
    if (freeType != MEM_RELEASE || size != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!Release(address, false)) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL WINAPI VirtualUnlock(LPVOID address, SIZE_T size) {
    uintptr_t start = uintptr_t(address), end = start + size;
    std::lock_guard<std::mutex> lock(regionLock);
    auto found = regions.upper_bound(start);
    if (found != regions.begin() && end > start) {
        --found;
        uintptr_t regionEnd = found->first + found->second.length;
        long page = sysconf(_SC_PAGESIZE);
        uintptr_t first = (start + uintptr_t(page) - 1) & ~uintptr_t(page - 1);
        uintptr_t last = (end < regionEnd ? end : regionEnd) & ~uintptr_t(page - 1);
        if (found->second.view && start >= found->first && first < last) {
            // Only whole pages of a read-only view: their bytes are the file's, read again.
            madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
        }
    }
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
}

extern "C" BOOL WINAPI GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
    KernelObject* object = platform::ObjectOf(file, KernelObject::File);
    struct stat status;
    if (!object || !size || fstat(object->fd, &status) != 0) {
        SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    size->QuadPart = status.st_size;
    return TRUE;
}

extern "C" HANDLE WINAPI CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect,
                                            DWORD maximumSizeHigh, DWORD maximumSizeLow,
                                            LPCSTR name) {
    KernelObject* object = platform::ObjectOf(file, KernelObject::File);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    uint64_t maximum = uint64_t(maximumSizeHigh) << 32 | maximumSizeLow;
    struct stat status;
    if (protect != PAGE_READONLY || name || fstat(object->fd, &status) != 0 ||
        !S_ISREG(status.st_mode) || maximum > uint64_t(status.st_size)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (status.st_size == 0) {
        SetLastError(ERROR_FILE_INVALID); // an empty file has nothing to map
        return nullptr;
    }
    int fd = fcntl(object->fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS); // no mapping of that name existed: it has no name
    return platform::NewHandle(KernelObject::Mapping, fd);
}

extern "C" LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD offsetHigh,
                                       DWORD offsetLow, SIZE_T bytesToMap) {
    KernelObject* object = platform::ObjectOf(mapping, KernelObject::Mapping);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    uint64_t offset = uint64_t(offsetHigh) << 32 | offsetLow;
    struct stat status;
    if (desiredAccess != FILE_MAP_READ || fstat(object->fd, &status) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (offset % kViewGranularity != 0) {
        SetLastError(ERROR_MAPPED_ALIGNMENT);
        return nullptr;
    }
    uint64_t size = uint64_t(status.st_size);
    if (offset >= size || bytesToMap > size - offset) {
        SetLastError(ERROR_ACCESS_DENIED); // beyond the end of the file
        return nullptr;
    }
    size_t length = bytesToMap ? bytesToMap : size_t(size - offset);
    // A view is made to be read: its pages are mapped in one go, not one fault at a time.
    void* view =
        mmap(nullptr, length, PROT_READ, MAP_SHARED | MAP_POPULATE, object->fd, off_t(offset));
    if (view == MAP_FAILED) {
        SetLastError(platform::ErrorFromErrno(errno));
        return nullptr;
    }
    Record(view, length, true);
    return view;
}

extern "C" BOOL WINAPI UnmapViewOfFile(LPCVOID baseAddress) {
    if (!Release(baseAddress, true)) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    return TRUE;
}
