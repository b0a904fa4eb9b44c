#include "vfs/crc_log.h"

#include "diag/log.h"
#include "platform/win32.h"
#include "vfs/file_name.h"

#include <cstdlib>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <new>

namespace {

const int kBuckets = sizeof(CCRCLog::buckets) / sizeof(CCRCLog::buckets[0]);
// Files are read in pieces of up to 256 KiB, straight into one buffer that the CRC then reads
// while it is still in the processor's cache: with a CRC as fast as libdeflate's, the copy out
// of the system's cache is most of the cost, and fewer, larger reads make it cheaper.
const int kReadChunk = 256 * 1024;
const char kSumName[] = "___SUM___";

// The nodes of every log come from one pool of blocks of 128 slots. A free slot's link word
// points at the next free slot; a slot in use points at itself. Nodes are never given back:
// a log lives as long as the process, and the blocks go when the process ends.
struct PoolSlot {
    PoolSlot* link;
    CRCNode node;
};

const int kSlotsPerBlock = 128;

struct PoolBlock {
    PoolSlot slots[kSlotsPerBlock];
    PoolBlock* next;     // the block added before this one
    PoolBlock* previous; // the block added after this one
};

struct NodePool {
    PoolBlock* firstBlock;
    PoolSlot* freeSlots;
    int32_t used;
};

NodePool pool;
bool poolSetUp;
bool poolReleased;

void ReleasePool() {
    if (poolReleased) {
        return;
    }
    poolReleased = true;
    for (PoolBlock* block = pool.firstBlock; block;) {
        PoolBlock* next = block->next;
        delete block;
        block = next;
    }
    pool = NodePool{};
}

void SetUpPool() {
    if (poolSetUp) {
        return;
    }
    poolSetUp = true;
    pool = NodePool{};
    std::atexit(ReleasePool);
}

// The pool is set up before main, so that its exit handler runs after those of anything that
// started later and may still hold a log.
[[maybe_unused]] const bool poolReady = (SetUpPool(), true);

CRCNode* TakeNode() {
    SetUpPool(); // a log used by an earlier static initialiser comes here first
    if (!pool.freeSlots) {
        PoolBlock* block = new (std::nothrow) PoolBlock;
        if (!block) {
            return nullptr;
        }
        for (int i = 0; i < kSlotsPerBlock; ++i) {
            block->slots[i].link = i + 1 < kSlotsPerBlock ? &block->slots[i + 1] : nullptr;
        }
        block->next = pool.firstBlock;
        block->previous = nullptr;
        if (pool.firstBlock) {
            pool.firstBlock->previous = block;
        }
        pool.firstBlock = block;
        pool.freeSlots = &block->slots[0];
    }
    PoolSlot* slot = pool.freeSlots;
    pool.freeSlots = slot->link;
    ++pool.used;
    slot->link = slot;
    return &slot->node;
}

// The bucket of a normalised name: a multiply-by-33 hash of its upper-cased bytes, each widened
// as a signed byte.
uint32_t BucketOf(const char* normalised) {
    uint32_t value = 0x100001;
    for (const char* at = normalised; *at != '\0'; ++at) {
        char byte = *at;
        if (byte >= 'a' && byte <= 'z') {
            byte = char(byte & ~0x20);
        }
        value = (value * 33) ^ uint32_t(int32_t(int8_t(byte)));
    }
    return value & uint32_t(kBuckets - 1);
}

CRCItem* FindNormalised(CCRCLog* log, const char* normalised, uint32_t bucket) {
    for (CRCNode* node = log->buckets[bucket].head; node; node = node->next) {
        if (std::strcmp(node->item.name, normalised) == 0) { // both folded already
            return &node->item;
        }
    }
    return nullptr;
}

CCRCLog* installedLog = nullptr;

} // namespace

CRCItem* CCRCLog::FindItem(const char* name) {
    if (!name) {
        return nullptr;
    }
    FileName normalised(name, NameForm::kChecksum);
    return FindNormalised(this, normalised.c_str(), BucketOf(normalised.c_str()));
}

uint32_t CCRCLog::AddItem(const char* name) {
    uint32_t crc = 0xFFFFFFFF;
    if (!name) {
        return crc;
    }
    FileName normalised(name, NameForm::kChecksum);
    // The file is read again on every call, so a recorded CRC follows the file's contents.
    if (!CRC32OfFile(normalised.c_str(), 0, -1, &crc)) {
        crc = 0xFFFFFFFF;
    }
    uint32_t bucketIndex = BucketOf(normalised.c_str());
    if (CRCItem* found = FindNormalised(this, normalised.c_str(), bucketIndex)) {
        found->crc = crc;
        found->computed = 1;
        return crc;
    }
    CRCNode* node = TakeNode();
    if (!node) {
        return 0xFFFFFFFF;
    }
    std::memcpy(node->item.name, normalised.c_str(), normalised.size() + 1); // fits: at most 259
    node->item.crc = crc;
    node->item.computed = 1;
    node->item.summed = 0;
    ++itemCount;
    Bucket& bucket = buckets[bucketIndex];
    ++bucket.count;
    node->next = nullptr;
    node->previous = bucket.tail;
    if (bucket.tail) {
        bucket.tail->next = node;
    } else {
        bucket.head = node;
    }
    bucket.tail = node;
    return crc;
}

uint8_t CCRCLog::AddFile(const char* path) {
    if (!path) {
        return 0;
    }
    uint32_t sum = 0;
    uint8_t result = 0;
    CRCItem* item = FindItem(path);
    if (!item) {
        sum = AddItem(path);
        item = FindItem(path);
        result = 1;
    }
    if (!item) {
        return result; // no node for it: nothing recorded
    }
    if (item->computed == 0) {
        sum = AddItem(path);
        item->computed = 1;
        result = 1;
    }
    if (sumEnabled) {
        item->summed = 1;
        IncSum(sum);
    }
    return result;
}

void CCRCLog::IncSum(uint32_t value) {
    CRCItem* sum = FindItem(kSumName);
    if (!sum) {
        LogHookPrintf("[CCRCLog::IncSum] no sum item !!!\n");
        return;
    }
    sum->crc += value;
}

uint8_t CRC32OfFile(const char* path, int32_t start, int32_t end, uint32_t* crc) {
    FILE* stream = WinPathFopen(path, "rb");
    if (!stream) {
        return 0;
    }
    uint8_t result = CRC32OfStream(stream, start, end, crc);
    fclose(stream);
    return result;
}

uint8_t CRC32OfStream(FILE* stream, int32_t start, int32_t end, uint32_t* crc) {
    if (!stream) {
        return 0;
    }
    if (fseek(stream, 0, SEEK_END) != 0) {
        return 0;
    }
    int32_t size = int32_t(ftell(stream));
    if (start < 0 || start >= size) {
        return 0;
    }
    if (end == -1) {
        end = size - 1;
    }
    if (end < start || end >= size) {
        return 0;
    }
    int32_t remaining = end - start + 1;
    *crc = 0xFFFFFFFF;
    if (fseek(stream, start, SEEK_SET) != 0) {
        return 0;
    }
    const int32_t bufferSize = remaining < kReadChunk ? remaining : kReadChunk;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size_t(bufferSize)]);
    if (!buffer) {
        return 0;
    }
    while (remaining > 0) {
        int32_t chunk = remaining < kReadChunk ? remaining : kReadChunk;
        // One element of the chunk's size: a short read counts as no bytes, and ends the loop.
        int32_t obtained = fread(buffer.get(), size_t(chunk), 1, stream) == 1 ? chunk : 0;
        if (!CRC32Block(buffer.get(), obtained, crc)) {
            return 0;
        }
        remaining -= obtained;
    }
    *crc = ~*crc;
    return 1;
}

uint8_t CRC32Block(const void* bytes, int32_t length, uint32_t* crc) {
    if (!bytes || !crc || length <= 0) {
        return 0;
    }
    // libdeflate presets and inverts on its own; the running value here does neither, so the
    // inversions cancel.
    *crc = ~libdeflate_crc32(~*crc, bytes, size_t(length));
    return 1;
}

CCRCLog* InstalledCRCLog() {
    return installedLog;
}

void InstallCRCLog(CCRCLog* log) {
    installedLog = log;
}

int32_t CRCNodePoolBlocks() {
    int32_t blocks = 0;
    for (PoolBlock* block = pool.firstBlock; block; block = block->next) {
        ++blocks;
    }
    return blocks;
}

int32_t CRCNodePoolUsed() {
    return pool.used;
}
