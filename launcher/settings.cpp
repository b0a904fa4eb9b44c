#include "launcher/settings.h"

#include <cstdio>

void SetDefaultLauncherSettings(LauncherSettings* settings) {
    std::snprintf(settings->gameClassName, sizeof settings->gameClassName, "%s", "TestGame");
    std::snprintf(settings->javaClasses, sizeof settings->javaClasses, "%s", "Ja");
    std::snprintf(settings->javaClassesPacked, sizeof settings->javaClassesPacked, "%s", "code");
}
