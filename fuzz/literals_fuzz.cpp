// The three literal readers on fuzzed text, one after the other as far as they get, with a
// few constants of every kind defined.
#include "fuzz/memory_archive.h"
#include "script/source.h"

#include <cstdint>
#include <cstring>

namespace {

void AddConstant(ScriptSource& source, const char* name, ScriptValue* value) {
    ScriptEntry* constant = new ScriptEntry;
    std::strcpy(constant->name, name);
    constant->values = value;
    source.AddConstant(constant);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzFolder();
    ScriptSource source("literals.ini", data, size);
    AddConstant(source, "count", new IntValue(4));
    AddConstant(source, "speed", new FloatValue(2.5f));
    AddConstant(source, "name", new StringValue("text"));
    for (int turn = 0; turn < 64 && source.SkipBlanks() == 0; ++turn) {
        int32_t error = 0;
        switch (turn % 3) {
        case 0:
            delete source.ParseIntLiteral(&error);
            break;
        case 1:
            delete source.ParseFloatLiteral(&error);
            break;
        default:
            delete source.ParseStringLiteral(&error);
        }
        if (error != 0 && source.GetChar() == -1) {
            break;
        }
    }
    return 0;
}
