// The three settings the launcher hands to the engine.
#pragma once

struct LauncherSettings {
    char gameClassName[256];     // JavaGameClassName
    char javaClasses[256];       // JavaClasses
    char javaClassesPacked[256]; // JavaClassesPacked
};

void SetDefaultLauncherSettings(LauncherSettings* settings);
