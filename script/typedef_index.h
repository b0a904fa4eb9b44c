// The typedefs in force, by name, for a parse: finding a keyword costs the same however many
// typedefs a file makes. Typedefs come and go in stack order (a block's own end with it), so
// each one remembers which typedef of its name it hides, and gives it back when it goes. The
// constants of a parse are found the same way; they are only ever pushed.
#pragma once

#include "script/entry.h"

#include <cstddef>
#include <cstdint>

// The key of the name hash. Names come from files anyone may write, so the hash is keyed with
// a secret drawn once per process: nobody can choose names that pile up in one probe run.
struct TypedefHashKey {
    uint64_t words[9];
    static const TypedefHashKey& OfProcess();
};

// A name as an entry holds it: lower-cased, NUL-terminated, and zero from there to its end.
// The index hashes and compares all of its bytes, so a name padded otherwise is not found.
using PaddedName = char[sizeof ScriptEntry::name];

class TypedefIndex {
public:
    explicit TypedefIndex(const TypedefHashKey& key = TypedefHashKey::OfProcess()) : key_(key) {}
    ~TypedefIndex();
    TypedefIndex(const TypedefIndex&) = delete;
    TypedefIndex& operator=(const TypedefIndex&) = delete;

    // The newest typedef in force of the name, or null.
    ScriptEntry* Find(const PaddedName& name) const;
    // A new typedef, which hides any older one of its name; false, with nothing changed, when
    // memory is exhausted.
    bool Push(ScriptEntry* type);
    // Removes the typedef pushed last, bringing back the one it hid.
    void Pop();
    // Trades contents with `other`, whose key must be the same.
    void Swap(TypedefIndex& other);

private:
    // Open addressing with linear probing, the newest typedef of each name in a slot with the
    // name's hash, so that probing past other names does not have to read them.
    struct Slot {
        uint32_t hash;
        ScriptEntry* type; // null: the slot is empty
    };
    uint32_t HashOf(const PaddedName& name) const;
    size_t SlotOf(const PaddedName& name, uint32_t hash) const;
    // Makes room for one more name and one more push; false when memory is exhausted.
    bool Reserve();
    void EraseSlot(size_t slot);

    TypedefHashKey key_;
    Slot* slots_ = nullptr; // slotCount_ of them, a power of two, or none before the first push
    size_t slotCount_ = 0;
    size_t used_ = 0;
    struct Pushed {
        ScriptEntry* type;
        ScriptEntry* hidden; // the older typedef of the name, or null
    };
    Pushed* pushed_ = nullptr; // the pushes in force, oldest first
    size_t pushedCount_ = 0, pushedCapacity_ = 0;
};
