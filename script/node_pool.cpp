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

std::size_t ClassOf(std::size_t size) {
    return (size + kGranule - 1) / kGranule - 1;
}

// Carves a new chunk into blocks of the class; false when memory runs out.
bool Refill(std::size_t sizeClass) {
    std::size_t blockSize = (sizeClass + 1) * kGranule;
    Chunk* chunk = static_cast<Chunk*>(std::malloc(kChunkSize));
    if (!chunk) {
        return false;
    }
    chunk->next = chunks;
    chunks = chunk;
    char* first = reinterpret_cast<char*>(chunk) + sizeof(std::max_align_t); // behind the link
    std::size_t count = (kChunkSize - sizeof(std::max_align_t)) / blockSize;
    for (std::size_t i = count; i-- > 0;) {
        FreeBlock* block = reinterpret_cast<FreeBlock*>(first + i * blockSize);
        block->next = freeLists[sizeClass];
        freeLists[sizeClass] = block;
    }
    return true;
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
    if (!freeLists[sizeClass] && !Refill(sizeClass)) {
        return nullptr;
    }
    FreeBlock* block = freeLists[sizeClass];
    freeLists[sizeClass] = block->next;
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
