// The typedefs in force, by name, for a parse: finding a keyword costs the same however many
// typedefs a file makes. Typedefs come and go in stack order (a block's own end with it), so
// each one remembers which typedef of its name it hides, and gives it back when it goes.
#pragma once

#include "script/entry.h"

#include <cstdint>
#include <vector>

// The key of the name hash. Names come from files anyone may write, so the hash is keyed with
// a secret drawn once per process: nobody can choose names that pile up in one probe run.
struct TypedefHashKey {
    uint64_t words[9];
    static const TypedefHashKey& OfProcess();
};

class TypedefIndex {
public:
    explicit TypedefIndex(const TypedefHashKey& key = TypedefHashKey::OfProcess()) : key_(key) {}
    // The newest typedef in force of the lower-cased name, or null.
    ScriptEntry* Find(const char* name) const;
    // A new typedef, which hides any older one of its name.
    void Push(ScriptEntry* type);
    // Removes the typedef pushed last, bringing back the one it hid.
    void Pop();

private:
    // Open addressing with linear probing, the newest typedef of each name in a slot with the
    // name's hash, so that probing past other names does not have to read them.
    struct Slot {
        uint32_t hash;
        ScriptEntry* type; // null: the slot is empty
    };
    uint32_t HashOf(const char* name) const;
    size_t SlotOf(const char* name, uint32_t hash) const;
    void Grow();
    void EraseSlot(size_t slot);

    TypedefHashKey key_;
    std::vector<Slot> slots_ = std::vector<Slot>(64, Slot{0, nullptr});
    size_t used_ = 0;
    struct Pushed {
        ScriptEntry* type;
        ScriptEntry* hidden; // the older typedef of the name, or null
    };
    std::vector<Pushed> pushed_;
};
