// The objects of a parsed configuration (entries and values) are small, many, and die
// together. They come from free lists of fixed-size blocks rather than from the general heap:
// a parse of a large file costs a fraction of the allocator time. Freed blocks are kept for the
// next parse and never handed back, so the memory of the largest tree stays with the process.
// Not thread-safe, like the rest of the script reader.
#pragma once

#include <cstddef>
#include <new>

// A block of at least `size` bytes, or null when memory runs out.
void* AllocateNode(std::size_t size) noexcept;
// Gives back a block that AllocateNode(size) handed out.
void FreeNode(void* node, std::size_t size) noexcept;

// Class-specific allocation through the node pool, for the classes of the configuration tree.
#define FERROX_POOLED_ALLOCATION                                                                   \
    static void* operator new(std::size_t size) {                                                  \
        void* node = AllocateNode(size);                                                           \
        if (!node) {                                                                               \
            throw std::bad_alloc();                                                                \
        }                                                                                          \
        return node;                                                                               \
    }                                                                                              \
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept {                  \
        return AllocateNode(size);                                                                 \
    }                                                                                              \
    static void operator delete(void* node, std::size_t size) noexcept {                           \
        FreeNode(node, size);                                                                      \
    }
