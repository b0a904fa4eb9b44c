#include "tools/lsp/stdio_session.h"

#include "diag/log.h"
#include "platform/win32.h"
#include "tools/lsp/language_server.h"
#include "tools/lsp/message_reader.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#ifndef _WIN32
#include <poll.h>
#endif

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

// Edits that come closer together than this are checked once, after the last.
const int kDebounceMs = 15;

// Whether input waits on standard input, or comes within `ms` milliseconds. On Windows input
// that is no pipe cannot be polled: none is said to wait, and each edit is checked at once.
bool InputWaiting(int ms) {
#ifdef _WIN32
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    for (int waited = 0;; waited += 5) {
        DWORD available = 0;
        if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) {
            return false; // no pipe (a socket under Wine): edits are checked as they come
        }
        if (available > 0) {
            return true;
        }
        if (waited >= ms) {
            return false;
        }
        Sleep(5);
    }
#else
    pollfd input = {0, POLLIN, 0};
    int ready = poll(&input, 1, ms);
    return ready != 0;
#endif
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
    auto newerInput = [&reader] { return reader.Buffered() || InputWaiting(0); };
    for (;;) {
        bool pause = server.Pending() && !reader.Buffered() && !InputWaiting(kDebounceMs);
        if (pause || server.Overdue()) {
            server.CheckPending(newerInput);
            continue;
        }
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
