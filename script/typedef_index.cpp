#include "script/typedef_index.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// The mixing step of splitmix64: each output bit depends on every input bit.
uint64_t Mix(uint64_t value) {
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
    return value ^ (value >> 31);
}

} // namespace

const TypedefHashKey& TypedefHashKey::OfProcess() {
    static const TypedefHashKey key = [] {
        // The clocks to the nanosecond and where the loader and the heap placed things: no
        // file's author can know them, and they need no service beyond the C++ runtime.
        int local = 0;
        void* heap = std::malloc(1);
        uint64_t seed = Mix(uint64_t(std::chrono::steady_clock::now().time_since_epoch().count())) ^
                        Mix(uint64_t(std::chrono::system_clock::now().time_since_epoch().count())) ^
                        Mix(uint64_t(reinterpret_cast<uintptr_t>(&local))) ^
                        Mix(uint64_t(reinterpret_cast<uintptr_t>(heap))) ^
                        Mix(uint64_t(reinterpret_cast<uintptr_t>(&TypedefHashKey::OfProcess)));
        std::free(heap);
        TypedefHashKey drawn;
        for (uint64_t& word : drawn.words) {
            seed += 0x9E3779B97F4A7C15u;
            word = Mix(seed);
        }
        return drawn;
    }();
    return key;
}

// Multilinear hashing of the name's 32-bit pieces with the high half of the sum kept: two names
// collide with a chance of about 2^-32 whatever they are, as long as the key stays unknown. A
// piece of padding adds nothing to the sum, so every piece is added, without a search for the
// name's end.
uint32_t TypedefIndex::HashOf(const PaddedName& name) const {
    uint64_t sum = key_.words[0];
    for (size_t piece = 0; piece < sizeof name / 4; ++piece) {
        uint32_t value;
        std::memcpy(&value, name + 4 * piece, sizeof value);
        sum += key_.words[piece + 1] * value;
    }
    return uint32_t(sum >> 32);
}

TypedefIndex::~TypedefIndex() {
    std::free(slots_);
    std::free(pushed_);
}

// The slot that holds the name, or the empty slot where it would go.
size_t TypedefIndex::SlotOf(const PaddedName& name, uint32_t hash) const {
    size_t mask = slotCount_ - 1;
    size_t slot = hash & mask;
    while (slots_[slot].type &&
           (slots_[slot].hash != hash || std::memcmp(slots_[slot].type->name, name, sizeof name))) {
        slot = (slot + 1) & mask; // the table is never full, so this ends
    }
    return slot;
}

ScriptEntry* TypedefIndex::Find(const PaddedName& name) const {
    return slots_ ? slots_[SlotOf(name, HashOf(name))].type : nullptr;
}

bool TypedefIndex::Push(ScriptEntry* type) {
    if (!Reserve()) {
        return false;
    }
    uint32_t hash = HashOf(type->name);
    Slot& slot = slots_[SlotOf(type->name, hash)];
    pushed_[pushedCount_++] = {type, slot.type};
    used_ += slot.type == nullptr;
    slot = {hash, type};
    return true;
}

void TypedefIndex::Pop() {
    Pushed last = pushed_[--pushedCount_];
    size_t slot = SlotOf(last.type->name, HashOf(last.type->name));
    if (last.hidden) {
        slots_[slot].type = last.hidden;
    } else {
        EraseSlot(slot);
    }
}

void TypedefIndex::Swap(TypedefIndex& other) {
    std::swap(slots_, other.slots_);
    std::swap(slotCount_, other.slotCount_);
    std::swap(used_, other.used_);
    std::swap(pushed_, other.pushed_);
    std::swap(pushedCount_, other.pushedCount_);
    std::swap(pushedCapacity_, other.pushedCapacity_);
}

bool TypedefIndex::Reserve() {
    if (pushedCount_ == pushedCapacity_) {
        size_t capacity = pushedCapacity_ ? 2 * pushedCapacity_ : 64;
        void* grown = std::realloc(pushed_, capacity * sizeof(Pushed));
        if (!grown) {
            return false;
        }
        pushed_ = static_cast<Pushed*>(grown);
        pushedCapacity_ = capacity;
    }
    if (2 * (used_ + 1) <= slotCount_) {
        return true;
    }
    size_t count = slotCount_ ? 2 * slotCount_ : 64;
    Slot* slots = static_cast<Slot*>(std::calloc(count, sizeof(Slot)));
    if (!slots) {
        return false;
    }
    size_t mask = count - 1;
    for (size_t old = 0; old < slotCount_; ++old) {
        const Slot& moving = slots_[old];
        size_t slot = moving.hash & mask;
        while (moving.type && slots[slot].type) {
            slot = (slot + 1) & mask; // names are unique in the table: no comparison needed
        }
        if (moving.type) {
            slots[slot] = moving;
        }
    }
    std::free(slots_);
    slots_ = slots;
    slotCount_ = count;
    return true;
}

// Empties a slot by backward shift: each later slot of the run whose home lies at or before
// the hole moves into it, so no run is ever broken and one pass over the run is enough.
void TypedefIndex::EraseSlot(size_t slot) {
    size_t mask = slotCount_ - 1;
    size_t hole = slot;
    for (size_t next = (hole + 1) & mask; slots_[next].type; next = (next + 1) & mask) {
        size_t home = slots_[next].hash & mask;
        // The slot's distance from its home, and the hole's: it may move back into the hole
        // only if that keeps it at or after its home.
        if (((next - home) & mask) >= ((next - hole) & mask)) {
            slots_[hole] = slots_[next];
            hole = next;
        }
    }
    slots_[hole] = {0, nullptr};
    --used_;
}
