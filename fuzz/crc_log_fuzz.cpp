// The checksum log's name normalisation and lookup: every fuzzed name must find the same item
// as the same name written with other separators, other letter case and a leading "./".
#include "vfs/crc_log.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// A log with a few hundred items, over several blocks of the node pool.
CCRCLog& TheLog() {
    static CCRCLog* log = [] {
        CCRCLog* made = new CCRCLog;
        for (int i = 0; i < 300; ++i) {
            made->AddItem(("data\\file" + std::to_string(i) + ".ini").c_str());
        }
        return made;
    }();
    return *log;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string name(reinterpret_cast<const char*>(data), size);
    name = name.substr(0, name.find('\0'));
    std::string variant = "./";
    for (char c : name) {
        variant += c == '\\' ? '/' : (c >= 'a' && c <= 'z') ? char(c - 32) : c;
    }
    CCRCLog& log = TheLog();
    if (log.FindItem(name.c_str()) != log.FindItem(variant.c_str())) {
        std::abort();
    }
    return 0;
}
