// Starting a program under Wine now and then fails for no reason of the program's: the new
// process ends before it is set up. Such a start is tried again, a few times, with a note on
// standard error; a start that cannot work (no such file, no program) fails at once.
#pragma once

#include <cstdio>
#include <windows.h>

template <typename Start> bool StartWithRetries(const char* what, Start start) {
    for (int attempt = 1;; ++attempt) {
        if (start()) {
            return true;
        }
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_BAD_EXE_FORMAT || error == ERROR_INVALID_PARAMETER || attempt == 4) {
            SetLastError(error);
            return false;
        }
        std::fprintf(stderr, "cannot start %s (error %lu), trying again\n", what, error);
        Sleep(250 * attempt);
    }
}
