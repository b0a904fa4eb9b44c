// The launcher's three settings for the page, read by the launcher's own code from the file
// `path` as "ini=path" would choose it, written to standard output one per line as KEY=VALUE.
#include "diag/log.h"
#include "launcher/settings.h"

#include <cstdio>
#include <string>

extern "C" void FerroxLauncherSettings(const char* path) {
    LogToEchoHookOnly(); // the page shows the diagnostics; no log file is wanted
    LauncherSettings settings;
    ReadLauncherSettings(("ini=" + std::string(path)).c_str(), nullptr, &settings);
    std::printf("JavaGameClassName=%s\nJavaClasses=%s\nJavaClassesPacked=%s\n",
                settings.gameClassName, settings.javaClasses, settings.javaClassesPacked);
    std::fflush(stdout);
}
