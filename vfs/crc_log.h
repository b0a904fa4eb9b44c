// The file checksum log: files recorded by name with the CRC-32 of their contents, and a
// running sum of the CRCs in an item named "___SUM___". Items live in 128 buckets by a hash of
// their names; their nodes come from a process-wide pool of blocks of 128 nodes. Names take
// the checksum form of vfs/file_name.h. One thread records and parses.
#pragma once

#include <cstdint>
#include <cstdio>

struct CRCItem {
    char name[260];   // normalised (see CCRCLog), at most 259 characters
    uint32_t crc;     // 0xFFFFFFFF when it could not be computed; for "___SUM___" the sum
    uint8_t computed; // the file was checksummed in this process
    uint8_t summed;   // its CRC went into the sum
};

struct CRCNode {
    CRCNode* next;
    CRCNode* previous;
    CRCItem item;
};

class CCRCLog {
public:
    // Records the file's CRC unless it is recorded already; 1 when this call computed it.
    uint8_t AddFile(const char* path);
    // Checksums the file and records or updates its item; the CRC stored.
    uint32_t AddItem(const char* name);
    CRCItem* FindItem(const char* name);
    // Adds `value` to the "___SUM___" item, modulo 2^32.
    void IncSum(uint32_t value);

    struct Bucket {
        CRCNode* head = nullptr;
        CRCNode* tail = nullptr;
        int32_t count = 0;
    };
    Bucket buckets[128];
    int32_t itemCount = 0;
    uint8_t sumEnabled = 0; // AddFile adds each CRC it computes to the sum
};

// The CRC-32 of bytes start to end (both included; end -1 for the last byte) of a file or an
// open stream; 1 on success. The block step neither presets nor inverts the running value.
uint8_t CRC32OfFile(const char* path, int32_t start, int32_t end, uint32_t* crc);
uint8_t CRC32OfStream(FILE* stream, int32_t start, int32_t end, uint32_t* crc);
uint8_t CRC32Block(const void* bytes, int32_t length, uint32_t* crc);

// The log that the script reader hands every file it opens to; none unless one is installed.
CCRCLog* InstalledCRCLog();
void InstallCRCLog(CCRCLog* log);

// The node pool shared by every log, as it stands: blocks allocated, and nodes handed out.
int32_t CRCNodePoolBlocks();
int32_t CRCNodePoolUsed();
