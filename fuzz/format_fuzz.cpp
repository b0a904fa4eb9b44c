// The layout of ferrox-script fmt on fuzzed files: laid out, a file keeps every token other
// than blanks and line ends, so every comment too; laying it out again changes nothing; and
// where the file parses, its entry record stays as it was. A file that parses cleanly (no
// error, no word cut short) must be laid out. A broken property aborts.
#include "fuzz/memory_archive.h"
#include "script/parser.h"
#include "tests/script/format_marks.h"
#include "tools/parse_watcher.h"
#include "tools/script_format.h"
#include "tools/script_tokens.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The entry record of the parse, "" when nothing comes back; `clean`: no error, no word cut.
std::string RecordOf(const std::string& text, bool* clean) {
    ParseWatcher watcher;
    ScriptEntry* entries = ParseScriptBuffer("game.ini", text.data(), text.size());
    *clean = !watcher.AnyError();
    for (const Diagnostic& diagnostic : watcher.Diagnostics()) {
        *clean = *clean && diagnostic.code != "word-too-long";
    }
    std::string record;
    if (entries) {
        char* bytes = nullptr;
        size_t size = 0;
        FILE* stream = open_memstream(&bytes, &size);
        entries->Write(stream);
        std::fclose(stream);
        record.assign(bytes, size);
        std::free(bytes);
        delete entries;
    }
    return record;
}

void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterFuzzFolder();
    std::string text(reinterpret_cast<const char*>(data), size);
    bool clean = false, cleanLaidOut = false;
    std::string record = RecordOf(text, &clean);
    std::optional<std::string> laidOut = FormatScript(text);
    Require(laidOut || record.empty() || !clean);
    if (!laidOut) {
        return 0;
    }
    Require(Marks(*laidOut) == Marks(text));
    Require(FormatScript(*laidOut) == laidOut);
    if (!record.empty()) {
        Require(RecordOf(*laidOut, &cleanLaidOut) == record);
    }
    return 0;
}
