#include "script/value.h"

#include <cstring>
#include <new>

// A string value's text is a block of the node pool, of its length plus one.

namespace {

char* CopyText(const char* text) {
    if (!text) {
        return nullptr;
    }
    size_t length = strlen(text);
    char* copy = static_cast<char*>(AllocateNode(length + 1));
    if (copy) {
        memcpy(copy, text, length + 1);
    }
    return copy;
}

// A new value with the payload of `source` alone, next left null; null for a kind that carries
// no known payload or when memory runs out. The float is copied as its 32 bits, so that no
// value, not even a signalling NaN, is changed on its way through a floating-point register.
// A kind-only value of kind 0, 1 or 2 (a typedef's parameter) has no payload to read and is
// copied as a kind-only value.
ScriptValue* ClonePayload(const ScriptValue* source) {
    if (source->kind < kIntKind || source->kind > kStringKind) {
        return nullptr;
    }
    if (const IntValue* integer = dynamic_cast<const IntValue*>(source)) {
        return new (std::nothrow) IntValue(integer->value);
    }
    if (const FloatValue* real = dynamic_cast<const FloatValue*>(source)) {
        FloatValue* copy = new (std::nothrow) FloatValue();
        if (copy) {
            memcpy(&copy->value, &real->value, sizeof copy->value);
        }
        return copy;
    }
    if (const StringValue* string = dynamic_cast<const StringValue*>(source)) {
        StringValue* copy = new (std::nothrow) StringValue();
        if (copy && string->text) {
            copy->text = CopyText(string->text);
            if (!copy->text) {
                delete copy;
                return nullptr;
            }
        }
        return copy;
    }
    return new (std::nothrow) ScriptValue(source->kind);
}

} // namespace

StringValue::StringValue(const char* text) : ScriptValue(kStringKind), text(CopyText(text)) {}

StringValue::~StringValue() {
    if (text) {
        FreeNode(text, strlen(text) + 1);
    }
}

// Each copy constructor copies its own payload and leaves the rest of the list to
// CopyValueChain, which walks it without recursion however long it is.
IntValue::IntValue(const IntValue& source) : ScriptValue(kIntKind), value(source.value) {
    next = CopyValueChain(source.next);
}

FloatValue::FloatValue(const FloatValue& source) : ScriptValue(kFloatKind), value(0.0f) {
    memcpy(&value, &source.value, sizeof value);
    next = CopyValueChain(source.next);
}

StringValue::StringValue(const StringValue& source)
    : ScriptValue(kStringKind), text(CopyText(source.text)) {
    next = CopyValueChain(source.next);
}

ScriptValue* CopyValueChain(const ScriptValue* source) {
    ScriptValue* head = nullptr;
    ScriptValue* tail = nullptr;
    // Ends at the end of the list, at a value it cannot copy, or when memory runs out.
    for (const ScriptValue* value = source; value; value = value->next) {
        ScriptValue* copy = ClonePayload(value);
        if (!copy) {
            break;
        }
        (tail ? tail->next : head) = copy;
        tail = copy;
    }
    return head;
}
