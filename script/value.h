// Typed values of the configuration script: the arguments of statements and the values of
// constants. Values form singly linked lists; whoever owns a list (an entry) deletes its
// values one by one, so deleting a value never deletes the values after it. Values come from
// a process-wide pool: one thread makes and deletes them.
#pragma once

#include "script/node_pool.h"

#include <cstdint>

// Stored in every value as a 32-bit signed integer.
enum ValueKind : int32_t {
    kIntKind = 0,
    kFloatKind = 1,
    kStringKind = 2,
};

class ScriptValue {
public:
    // A kind-only value, as a typedef's parameter declaration holds.
    explicit ScriptValue(int32_t kind) : kind(kind) {}
    ScriptValue(const ScriptValue&) = delete;
    ScriptValue& operator=(const ScriptValue&) = delete;
    virtual ~ScriptValue() {}
    FERROX_POOLED_ALLOCATION

    ScriptValue* next = nullptr; // not owned
    const int32_t kind;
};

class IntValue : public ScriptValue {
public:
    explicit IntValue(int32_t value = 0) : ScriptValue(kIntKind), value(value) {}
    // Copies the value and then the rest of the source's list.
    IntValue(const IntValue& source);
    int32_t value;
};

class FloatValue : public ScriptValue {
public:
    explicit FloatValue(float value = 0.0f) : ScriptValue(kFloatKind), value(value) {}
    FloatValue(const FloatValue& source);
    float value;
};

class StringValue : public ScriptValue {
public:
    // Holds its own copy of `text`, or no text at all when it is null.
    explicit StringValue(const char* text = nullptr);
    StringValue(const StringValue& source);
    ~StringValue() override;
    char* text; // owned, from the node pool; null only in the empty value of a string constant
};

// A new list that copies `source` and every value after it, in order; null for null. A node of
// a kind other than 0, 1, 2, or one that cannot be allocated, ends the copy there.
ScriptValue* CopyValueChain(const ScriptValue* source);
