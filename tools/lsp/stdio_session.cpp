#include "tools/lsp/stdio_session.h"

#include "diag/log.h"
#include "platform/win32.h"
#include "tools/lsp/language_server.h"
#include "tools/lsp/message_reader.h"

#include <cerrno>
#include <climits>
#include <cstdio>

namespace {

size_t ReadInput(char* bytes, size_t size) {
    for (;;) {
        int got = _read(0, bytes, unsigned(size < INT_MAX ? size : INT_MAX));
        if (got >= 0) {
            return size_t(got);
        }
        if (errno != EINTR) {
            return 0;
        }
    }
}

void Send(const std::string& body) {
    std::fprintf(stdout, "Content-Length: %zu\r\n\r\n", body.size());
    std::fwrite(body.data(), 1, body.size(), stdout);
    std::fflush(stdout);
}

} // namespace

int RunLanguageServer() {
    // Standard output carries the protocol alone: the parse's log text goes nowhere.
    LogToEchoHookOnly();
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    LanguageServer server(Send, ServerLimits());
    MessageReader reader(ReadInput, server.Limits().mostMessageBytes);
    for (;;) {
        std::string body;
        MessageReader::Result result = reader.Next(&body);
        if (result == MessageReader::kEnd) {
            return 1;
        }
        if (result != MessageReader::kMessage) {
            server.Malformed(result);
        } else if (!server.Handle(body)) {
            return server.ExitStatus();
        }
    }
}
