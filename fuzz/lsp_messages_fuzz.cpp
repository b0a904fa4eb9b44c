// The language server's message reader and session on any bytes a client may send: headers,
// lengths, bodies of any JSON, in pieces of any size. Nothing the input says may crash the
// server or make it hold more than its bounds.
#include "tools/lsp/language_server.h"
#include "tools/lsp/message_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte sets how the input arrives: in pieces of 1 to 256 bytes.
    size_t piece = size_t(data[0]) + 1;
    const uint8_t* rest = data + 1;
    size_t left = size - 1;
    auto read = [&](char* bytes, size_t room) {
        size_t taken = std::min({room, piece, left});
        std::memcpy(bytes, rest, taken);
        rest += taken;
        left -= taken;
        return taken;
    };
    ServerLimits limits;
    limits.mostMessageBytes = 4096;
    limits.mostDocuments = 4;
    limits.mostDocumentBytes = 4096;
    limits.mostTotalBytes = 8192;
    limits.mostChangeWork = 1 << 20;
    size_t sent = 0;
    LanguageServer server([&sent](const std::string& body) { sent += body.size(); }, limits);
    MessageReader reader(read, limits.mostMessageBytes);
    for (std::string body;;) {
        MessageReader::Result result = reader.Next(&body);
        if (result == MessageReader::kEnd) {
            break;
        }
        if (result != MessageReader::kMessage) {
            server.Malformed(result);
        } else if (!server.Handle(body)) {
            break;
        }
        server.CheckPending([] { return false; });
    }
    return 0;
}
