#include "script/entry.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

// Record tags of the binary entry record.
const int32_t kEntryTag = 16;
const int32_t kChildListTag = 32;
const int32_t kEndTag = -1;

size_t NameLength(const char* name) {
    size_t length = 0;
    while (length < sizeof ScriptEntry::name - 1 && name[length]) {
        ++length;
    }
    return length;
}

// This entry's own fields, without its siblings: the name, a copy of the values and a deep
// copy of the child list.
void CopyFields(ScriptEntry* entry, const ScriptEntry& source) {
    size_t length = NameLength(source.name);
    memcpy(entry->name, source.name, length);
    entry->name[length] = '\0';
    entry->values = CopyValueChain(source.values);
    // Nesting is as deep as the parser allows, so the recursion into children is bounded.
    entry->child = source.child ? new (std::nothrow) ScriptEntry(*source.child) : nullptr;
}

// The record is little-endian whatever the machine, so integers are written byte by byte.
size_t WriteInt32(FILE* stream, int32_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    unsigned char bytes[4] = {
        static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
        static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    return fwrite(bytes, sizeof bytes, 1, stream);
}

void WriteBytes(FILE* stream, const char* bytes, size_t length) {
    if (length > 0) {
        fwrite(bytes, length, 1, stream);
    }
}

void WriteValue(FILE* stream, const ScriptValue* value) {
    WriteInt32(stream, value->kind);
    // A kind-only value (a typedef's parameter, or a kind nobody knows) is written as its kind
    // and nothing else: there is no payload to write, and no reader expects one.
    if (const IntValue* integer = dynamic_cast<const IntValue*>(value)) {
        WriteInt32(stream, integer->value);
    } else if (const FloatValue* real = dynamic_cast<const FloatValue*>(value)) {
        int32_t bits;
        memcpy(&bits, &real->value, sizeof bits);
        WriteInt32(stream, bits);
    } else if (const StringValue* string = dynamic_cast<const StringValue*>(value)) {
        size_t length = string->text ? strlen(string->text) : 0;
        WriteInt32(stream, static_cast<int32_t>(length));
        WriteBytes(stream, string->text, length);
    }
}

} // namespace

ScriptEntry::ScriptEntry(const ScriptEntry& source) {
    CopyFields(this, source);
    // The following siblings are copied one after another, not by recursion, so that a list
    // of any length can be copied. A sibling that cannot be allocated ends the copied list.
    ScriptEntry* tail = this;
    for (const ScriptEntry* sibling = source.next; sibling; sibling = sibling->next) {
        ScriptEntry* copy = new (std::nothrow) ScriptEntry();
        if (!copy) {
            break;
        }
        CopyFields(copy, *sibling);
        tail->next = copy;
        tail = copy;
    }
}

ScriptEntry::~ScriptEntry() {
    while (values) {
        ScriptValue* following = values->next;
        delete values;
        values = following;
    }
    delete child;
    // Each sibling is cut from the list before it is deleted, so that it deletes only its own
    // values and children and a long list never recurses.
    ScriptEntry* sibling = next;
    next = nullptr;
    while (sibling) {
        ScriptEntry* following = sibling->next;
        sibling->next = nullptr;
        delete sibling;
        sibling = following;
    }
}

size_t ScriptEntry::Write(FILE* stream) const {
    for (const ScriptEntry* entry = this; entry; entry = entry->next) {
        WriteInt32(stream, kEntryTag);
        size_t length = NameLength(entry->name);
        WriteInt32(stream, static_cast<int32_t>(length));
        WriteBytes(stream, entry->name, length);
        for (const ScriptValue* value = entry->values; value; value = value->next) {
            WriteValue(stream, value);
        }
        if (entry->child) {
            WriteInt32(stream, kChildListTag);
            entry->child->Write(stream);
        }
    }
    // One end tag closes the whole list.
    return WriteInt32(stream, kEndTag);
}

const char* FirstString(const ScriptEntry* entry) {
    if (!entry || !entry->values || entry->values->kind != kStringKind) {
        return nullptr;
    }
    const StringValue* string = dynamic_cast<const StringValue*>(entry->values);
    return string ? string->text : nullptr;
}
