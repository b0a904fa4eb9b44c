// What Windows shows a person at the machine, on a POSIX terminal: the debugger output of a
// console program, message boxes as marked blocks, the console's modes, and a sound system
// with nothing to stop.
#include "internal.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

void WriteToStandardError(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += size_t(n);
    }
}

} // namespace

extern "C" void WINAPI OutputDebugStringA(LPCSTR text) {
    if (text) {
        WriteToStandardError(text);
    }
}

extern "C" int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    std::string block = "[MessageBox] ";
    block += caption ? caption : "Error"; // the caption Windows shows when none is given
    block += '\n';
    block += text ? text : "";
    block += "\n[/MessageBox]\n";
    WriteToStandardError(block);
    return IDOK;
}

// The standard error handle is the only console handle the system asks for; a terminal behind
// it takes every mode, colours included.
extern "C" HANDLE WINAPI GetStdHandle(DWORD which) {
    return which == STD_ERROR_HANDLE ? reinterpret_cast<HANDLE>(intptr_t(STDERR_FILENO + 1))
                                     : INVALID_HANDLE_VALUE;
}

extern "C" BOOL WINAPI GetConsoleMode(HANDLE console, LPDWORD mode) {
    if (console != GetStdHandle(STD_ERROR_HANDLE) || !isatty(STDERR_FILENO)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *mode = 0;
    return TRUE;
}

extern "C" BOOL WINAPI SetConsoleMode(HANDLE console, DWORD) {
    DWORD mode;
    return GetConsoleMode(console, &mode);
}

extern "C" BOOL WINAPI PlaySoundA(LPCSTR, HMODULE, DWORD) {
    return TRUE;
}
