#include "script/node_pool.h"

#include <cstdlib>

namespace {

const std::size_t kGranule = 8; // every pooled size is a multiple of the pointer size
const std::size_t kLargestPooled = 128;
const std::size_t kChunkSize = 64 * 1024;

struct FreeBlock {
    FreeBlock* next;
};

struct Chunk {
    Chunk* next;
};

// One free list per size class (8, 16, ... 128 bytes), and every chunk ever taken, so that
// the blocks stay reachable until the process ends.
FreeBlock* freeLists[kLargestPooled / kGranule];
Chunk* chunks;
// The part of the newest chunk not handed out yet. Blocks of every class are cut from it one at
// a time, as they are first needed, so a small parse writes to a few pages of one chunk only.
char* uncutStart;
char* uncutEnd;

std::size_t ClassOf(std::size_t size) {
    return (size + kGranule - 1) / kGranule - 1;
}

// A block never handed out before, cut from the newest chunk or from a new one; null when
// memory runs out. What is left of a chunk too small for the block stays unused.
void* CutBlock(std::size_t blockSize) {
    if (std::size_t(uncutEnd - uncutStart) < blockSize) {
        Chunk* chunk = static_cast<Chunk*>(std::malloc(kChunkSize));
        if (!chunk) {
            return nullptr;
        }
        chunk->next = chunks;
        chunks = chunk;
        uncutStart = reinterpret_cast<char*>(chunk) + sizeof(std::max_align_t); // behind the link
        uncutEnd = reinterpret_cast<char*>(chunk) + kChunkSize;
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
        return CutBlock((sizeClass + 1) * kGranule);
    }
    freeLists[sizeClass] = block->next;
    // The next block of the list is the next one handed out: fetching it now hides the cache
    // miss that reading its link would otherwise cost then, when a large tree is rebuilt.
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
    FreeBlock* block = static_cast<FreeBlock*>(node);
    std::size_t sizeClass = ClassOf(size);
    block->next = freeLists[sizeClass];
    freeLists[sizeClass] = block;
}
