// The three settings the launcher hands to the engine, read from the configuration file, on
// the launcher's one thread.
#pragma once

#include "platform/win32.h"

struct LauncherSettings {
    char gameClassName[256];     // JavaGameClassName, default "TestGame"
    char javaClasses[256];       // JavaClasses, default "Ja"
    char javaClassesPacked[256]; // JavaClassesPacked, default "code"
};

// The command line as words: word 0 is the executable's path, then the words of the tail,
// split at blanks and tabs (quotes are ordinary characters). The list keeps the first 63
// words of the tail that fit its 1,024-byte store.
void SplitCommandLine(const char* commandLine, HINSTANCE module);

// Fills the settings: the defaults, then the first string value of the last top-level entry
// of each key in "game.ini", or in the file that the last word "ini=NAME" names.
void ReadLauncherSettings(const char* commandLine, HINSTANCE module, LauncherSettings* settings);
