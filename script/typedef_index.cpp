#include "script/typedef_index.h"

#include <cstring>

namespace {

uint32_t HashOf(const char* name) {
    uint32_t hash = 2166136261u; // FNV-1a
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c; ++c) {
        hash = (hash ^ *c) * 16777619u;
    }
    return hash;
}

} // namespace

// The slot that holds the name, or the empty slot where it would go.
size_t TypedefIndex::SlotOf(const char* name, uint32_t hash) const {
    size_t mask = slots_.size() - 1;
    size_t slot = hash & mask;
    while (slots_[slot].type &&
           (slots_[slot].hash != hash || std::strcmp(slots_[slot].type->name, name) != 0)) {
        slot = (slot + 1) & mask; // the table is never full, so this ends
    }
    return slot;
}

ScriptEntry* TypedefIndex::Find(const char* name) const {
    return slots_[SlotOf(name, HashOf(name))].type;
}

void TypedefIndex::Push(ScriptEntry* type) {
    if (2 * (used_ + 1) > slots_.size()) {
        Grow();
    }
    uint32_t hash = HashOf(type->name);
    Slot& slot = slots_[SlotOf(type->name, hash)];
    pushed_.push_back({type, slot.type});
    used_ += slot.type == nullptr;
    slot = {hash, type};
}

void TypedefIndex::Pop() {
    Pushed last = pushed_.back();
    pushed_.pop_back();
    size_t slot = SlotOf(last.type->name, HashOf(last.type->name));
    if (last.hidden) {
        slots_[slot].type = last.hidden;
    } else {
        EraseSlot(slot);
    }
}

void TypedefIndex::Grow() {
    std::vector<Slot> old(slots_.size() * 2, Slot{0, nullptr});
    old.swap(slots_);
    size_t mask = slots_.size() - 1;
    for (const Slot& moving : old) {
        size_t slot = moving.hash & mask;
        while (moving.type && slots_[slot].type) {
            slot = (slot + 1) & mask; // names are unique in the table: no comparison needed
        }
        if (moving.type) {
            slots_[slot] = moving;
        }
    }
}

// Empties a slot and moves later slots of its probe run back, so no run is ever broken.
void TypedefIndex::EraseSlot(size_t slot) {
    size_t mask = slots_.size() - 1;
    slots_[slot] = {0, nullptr};
    --used_;
    for (size_t next = (slot + 1) & mask; slots_[next].type; next = (next + 1) & mask) {
        Slot moving = slots_[next];
        slots_[next] = {0, nullptr};
        size_t home = moving.hash & mask;
        while (slots_[home].type) {
            home = (home + 1) & mask;
        }
        slots_[home] = moving;
    }
}
