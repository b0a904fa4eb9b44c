#include "tools/colour_choice.h"

#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool EnvironmentAllowsColour() {
    const char* noColour = std::getenv("NO_COLOR");
    const char* term = std::getenv("TERM");
    return (!noColour || !*noColour) && !(term && std::strcmp(term, "dumb") == 0);
}

} // namespace

bool ColourWanted(ColourChoice choice) {
    if (choice == ColourChoice::kNever ||
        (choice == ColourChoice::kAuto && !EnvironmentAllowsColour())) {
        return false;
    }
    HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    bool terminal = _isatty(_fileno(stderr)) && GetConsoleMode(console, &mode) &&
                    SetConsoleMode(console, mode | 0x0004); // ENABLE_VIRTUAL_TERMINAL_PROCESSING
    return choice == ColourChoice::kAlways || terminal;
}
