#include "script/node_pool.h"

#include "platform/win32.h"

#include <cstdlib>

namespace {

const std::size_t kGranule = 8; // every pooled size is a multiple of the pointer size
const std::size_t kLargestPooled = 128;
// Chunks come from the system: a small first one, so that a small parse touches a few pages of
// it only, then blocks of one large page each, which the kernel faults in 2 MiB at a time
// instead of 4 KiB where it offers large pages.
const std::size_t kFirstChunkSize = 64 * 1024;
const std::size_t kChunkSize = 2 << 20;

struct FreeBlock {
    FreeBlock* next;
};

struct Chunk {
    Chunk* next;      // the chunk taken after this one
    std::size_t size; // in bytes, this header included
};

// One free list per size class (8, 16, ... 128 bytes), and every chunk ever taken, oldest
// first, so that the blocks stay reachable until the process ends.
FreeBlock* freeLists[kLargestPooled / kGranule];
Chunk* firstChunk;
// The chunk blocks are being cut from, and the part of it not handed out yet. Blocks of every
// class are cut from it one at a time, as they are first needed, so a small parse writes to a
// few pages of one chunk only. Chunks are cut in the order they were taken, so a new one is
// taken only when the last is used up, and goes after it.
Chunk* cutChunk;
char* uncutStart;
char* uncutEnd;
// Blocks handed out and not given back. When the last one comes back (a parse's tree has been
// deleted), the pool forgets its free lists and cuts from its first chunk again: the next tree
// is laid out in the order it is built, which is the order it is read and deleted in.
std::size_t liveBlocks;

std::size_t ClassOf(std::size_t size) {
    return (size + kGranule - 1) / kGranule - 1;
}

void CutFrom(Chunk* chunk) {
    cutChunk = chunk;
    uncutStart = reinterpret_cast<char*>(chunk) + sizeof(std::max_align_t); // behind the link
    uncutEnd = reinterpret_cast<char*>(chunk) + chunk->size;
}

// A block not in use, cut from the current chunk, the one taken after it or a new one; null
// when memory runs out. What is left of a chunk too small for the block stays unused.
void* CutBlock(std::size_t blockSize) {
    if (std::size_t(uncutEnd - uncutStart) < blockSize) {
        if (cutChunk && cutChunk->next) {
            CutFrom(cutChunk->next);
        } else {
            std::size_t size = cutChunk ? kChunkSize : kFirstChunkSize;
            Chunk* chunk = static_cast<Chunk*>(
                VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
            if (!chunk) {
                return nullptr;
            }
            chunk->next = nullptr;
            chunk->size = size;
            (cutChunk ? cutChunk->next : firstChunk) = chunk;
            CutFrom(chunk);
        }
    }
    void* block = uncutStart;
    uncutStart += blockSize;
    return block;
}

// The sanitizers can only see misuse of memory that the general heap hands out.
#if defined(__SANITIZE_ADDRESS__)
const bool kPooled = false;
#else
const bool kPooled = true;
#endif

} // namespace

void* AllocateNode(std::size_t size) noexcept {
    if (!kPooled || size == 0 || size > kLargestPooled) {
        return std::malloc(size ? size : 1);
    }
    std::size_t sizeClass = ClassOf(size);
    FreeBlock* block = freeLists[sizeClass];
    if (!block) {
        void* cut = CutBlock((sizeClass + 1) * kGranule);
        liveBlocks += cut != nullptr;
        return cut;
    }
    ++liveBlocks;
    freeLists[sizeClass] = block->next;
    // The next block of the list is the next one handed out: fetching it now hides the cache
    // miss that reading its link would otherwise cost then, when many freed blocks are reused.
    if (block->next) {
        __builtin_prefetch(block->next, 1);
    }
    return block;
}

void FreeNode(void* node, std::size_t size) noexcept {
    if (!node) {
        return;
    }
    if (!kPooled || size == 0 || size > kLargestPooled) {
        std::free(node);
        return;
    }
    if (--liveBlocks == 0) {
        for (FreeBlock*& list : freeLists) {
            list = nullptr;
        }
        CutFrom(firstChunk);
        return;
    }
    FreeBlock* block = static_cast<FreeBlock*>(node);
    std::size_t sizeClass = ClassOf(size);
    block->next = freeLists[sizeClass];
    freeLists[sizeClass] = block;
}
