// The parsed configuration: a tree of named entries, each with a list of typed values, a list
// of child entries and a link to its next sibling. An entry owns its values, its children and
// its next sibling, so deleting the head of a list deletes the whole list with all subtrees.
// Entries come from a process-wide pool: one thread makes and deletes them.
#pragma once

#include "script/node_pool.h"
#include "script/value.h"

#include <cstdio>

class ScriptEntry {
public:
    ScriptEntry() = default;
    // A deep copy of `source`, of its subtree and of every entry after it in its list.
    ScriptEntry(const ScriptEntry& source);
    ScriptEntry& operator=(const ScriptEntry&) = delete;

    // Writes this entry and every following sibling, with their subtrees, as the tagged binary
    // entry record (little-endian); the item count of the last write of the list.
    virtual size_t Write(FILE* stream) const;
    virtual ~ScriptEntry();
    FERROX_POOLED_ALLOCATION

    char name[32] = ""; // lower case, at most 31 characters; may be empty
    ScriptValue* values = nullptr;
    ScriptEntry* next = nullptr;
    ScriptEntry* child = nullptr;
};

// The text of the entry's first value when that is a string, else null.
const char* FirstString(const ScriptEntry* entry);
