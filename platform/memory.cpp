// The process's memory: blocks of new memory in the kernel's pages. Every block handed out is
// recorded with its length, because munmap needs it and VirtualFree is given only the start.
#include "internal.h"

#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <sys/mman.h>

namespace {

// Blocks this long or longer start on a large-page boundary and are offered to the kernel for
// large pages: one fault then brings in 2 MiB, where it would bring in 4 KiB.
const size_t kLargePage = size_t(2) << 20;
// Clearing a large page costs about what a few dozen small faults cost: a last large page of
// which a block uses less than this share is not offered.
const size_t kMostlyUnusedShare = 32;

std::mutex blockLock;
std::map<uintptr_t, size_t> blocks; // their lengths, by start

// New zeroed memory of `size` bytes, and its length as mapped; large blocks aligned to a large
// page and advised for one.
void* NewBlock(size_t size, size_t* length) {
    if (size < kLargePage) {
        void* block =
            mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        *length = size;
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
    // A last large page that the block hardly uses is left to small pages: clearing and keeping
    // all of it would cost more than the few small faults of what is used.
    size_t advised = size - size % kLargePage;
    if (size % kLargePage > kLargePage / kMostlyUnusedShare) {
        advised = rounded;
    }
    madvise(reinterpret_cast<void*>(start), advised, MADV_HUGEPAGE); // a hint; refused is fine
#endif
    *length = rounded;
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
    size_t length = 0;
    void* block = NewBlock(size, &length);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(blockLock);
    blocks[uintptr_t(block)] = length;
    return block;
}

extern "C" BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
    if (freeType != MEM_RELEASE || size != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    size_t length;
    {
        std::lock_guard<std::mutex> lock(blockLock);
        auto found = blocks.find(uintptr_t(address));
        if (found == blocks.end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        length = found->second;
        blocks.erase(found);
    }
    munmap(address, length);
    return TRUE;
}
