// Reading a compressed archive entry (a raw deflate stream) at any position of its content.
// The state lives in the PackHandle: created at the first read, it follows the position
// forward by decompressing and discarding, and starts again from the entry's first byte when
// the position moves back.
#pragma once

#include "vfs/internal/pack.h"

// The most that a read-ahead buffer may hold.
extern uint32_t vfbufsize;

// Delivers `length` bytes of the content from `position` into `destination`; the count
// delivered, which is less only where the data is corrupt or ends early.
uint32_t vfzread(PackHandle* handle, uint32_t position, void* destination, uint32_t length);
// Decompresses the entry's whole content into `destination`, which holds entry->size bytes, in
// one call: true when the data is a complete deflate stream of exactly that size. Otherwise
// false, with `destination` spoilt, for vfzread to deliver what the data gives.
bool vfzreadwhole(const PackEntry* entry, void* destination);
// Ends the stream: frees the inflate state and the read-ahead buffer.
void vfzend(PackHandle* handle);
