// What the page calls beside main(): mounting a ZIP archive as the game mounts one, and the
// launcher's three settings read by the launcher's own code. Each run of the page uses a fresh
// instance, so nothing carries over from one run to the next.
#include "diag/log.h"
#include "launcher/settings.h"
#include "vfs/mount.h"

#include <cstdio>
#include <string>

// Mounts the archive at `path` for the parses that follow; prints why not when it fails.
extern "C" int FerroxMount(const char* path) {
    MountResult result = vfmount(path);
    if (result != kMountOk) {
        std::fprintf(stderr, "%s: %s\n", path, MountResultText(result));
    }
    return result;
}

// Writes the settings that "ini=PATH" gives to standard output, one per line as KEY=VALUE.
extern "C" void FerroxLauncherSettings(const char* path) {
    LogToEchoHookOnly(); // the page shows the diagnostics; no log file is wanted
    LauncherSettings settings;
    ReadLauncherSettings(("ini=" + std::string(path)).c_str(), nullptr, &settings);
    std::printf("JavaGameClassName=%s\nJavaClasses=%s\nJavaClassesPacked=%s\n",
                settings.gameClassName, settings.javaClasses, settings.javaClassesPacked);
    std::fflush(stdout);
}
