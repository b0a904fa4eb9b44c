#include "vfs/internal/pack_index.h"

#include "vfs/file_name.h"

#include <algorithm>
#include <cstring>
#include <vector>

PackIndex packIndex;
int32_t packKeepCase = 0;

namespace {

bool NameBefore(const PackEntry* a, const PackEntry* b) {
    return std::strcmp(a->name, b->name) < 0;
}

// Binary search for a name already in normalised form.
PackEntry* FindNormalised(const char* name) {
    uint32_t low = 0, high = packIndex.count;
    while (low != high) {
        uint32_t middle = (low + high) / 2;
        int order = std::strcmp(name, packIndex.slots[middle]->name);
        if (order == 0) {
            return packIndex.slots[middle];
        }
        if (order < 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return nullptr;
}

} // namespace

PackEntry* vflookup(const char* name) {
    if (packIndex.count == 0) {
        return nullptr;
    }
    return FindNormalised(FileName(name, NameForm::kLookup).c_str());
}

uint32_t vfindexcount() {
    return packIndex.count;
}

const PackEntry* vfindexentry(uint32_t position) {
    return position < packIndex.count ? packIndex.slots[position] : nullptr;
}

bool IndexArchiveEntries(PackArchive* archive) {
    std::vector<PackEntry*> added;
    for (uint32_t i = 0; i < archive->entryCount; ++i) {
        added.push_back(&archive->entries[i]);
    }
    // Sorted stably, so among entries of one name the archive's first comes first.
    std::stable_sort(added.begin(), added.end(), NameBefore);
    auto equalNames = [](const PackEntry* a, const PackEntry* b) {
        return !NameBefore(a, b) && !NameBefore(b, a);
    };
    added.erase(std::unique(added.begin(), added.end(), equalNames), added.end());
    added.erase(std::remove_if(
                    added.begin(), added.end(),
                    [](const PackEntry* entry) { return FindNormalised(entry->name) != nullptr; }),
                added.end());
    if (added.size() > kPackIndexSlots - packIndex.count) {
        return false;
    }
    std::vector<PackEntry*> merged(packIndex.count + added.size());
    std::merge(packIndex.slots, packIndex.slots + packIndex.count, added.begin(), added.end(),
               merged.begin(), NameBefore);
    std::copy(merged.begin(), merged.end(), packIndex.slots);
    packIndex.count = uint32_t(merged.size());
    return true;
}

void UnindexArchiveEntries(const PackArchive* archive) {
    PackEntry** end =
        std::remove_if(packIndex.slots, packIndex.slots + packIndex.count,
                       [archive](const PackEntry* entry) { return entry->archive == archive; });
    packIndex.count = uint32_t(end - packIndex.slots);
}
