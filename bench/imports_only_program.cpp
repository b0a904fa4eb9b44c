// Loads what the launcher loads (the engine and the C++ runtime, with the platform services and
// zlib on Linux, USER32 and WINMM on Windows) and does nothing: the start-up that any program
// with the launcher's imports has to pay.
#if defined(_WIN32)
#include "engine/engine.h"

#include <windows.h>

// A Windows linker lists a library among the imports only for a function the program names:
// one of each library the launcher imports is named here, and none is called.
void* const volatile kNamedImports[] = {reinterpret_cast<void*>(&PeekMessageA),
                                        reinterpret_cast<void*>(&PlaySoundA),
                                        reinterpret_cast<void*>(&CreateGame)};
#endif

int main() {
    return 0;
}
