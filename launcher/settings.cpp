#include "launcher/settings.h"

#include "script/parser.h"

#include <cstdio>
#include <cstring>

namespace {

const int kMostWords = 64;
int wordCount = 0;
const char* words[kMostWords];
char wordStore[1024];

// Copies `text` into a setting, cut to its 255 characters.
void SetText(char (&setting)[256], const char* text) {
    std::snprintf(setting, sizeof setting, "%s", text);
}

void SetDefaults(LauncherSettings* settings) {
    SetText(settings->gameClassName, "TestGame");
    SetText(settings->javaClasses, "Ja");
    SetText(settings->javaClassesPacked, "code");
}

} // namespace

void SplitCommandLine(const char* commandLine, HINSTANCE module) {
    wordStore[0] = '\0';
    GetModuleFileNameA(module, wordStore, 256);
    words[0] = wordStore;
    wordCount = 1;
    size_t used = std::strlen(wordStore) + 1;
    for (const char* c = commandLine; *c;) {
        while (*c == ' ' || *c == '\t') {
            ++c;
        }
        if (*c == '\0') {
            break;
        }
        size_t length = std::strcspn(c, " \t");
        if (wordCount == kMostWords || used + length + 1 > sizeof wordStore) {
            break; // the words that fit are kept, the rest of the line is not split
        }
        std::memcpy(wordStore + used, c, length);
        wordStore[used + length] = '\0';
        words[wordCount++] = wordStore + used;
        used += length + 1;
        c += length;
    }
}

void ReadLauncherSettings(const char* commandLine, HINSTANCE module, LauncherSettings* settings) {
    SplitCommandLine(commandLine, module);
    const char* path = "game.ini";
    for (int i = 0; i < wordCount; ++i) {
        if (std::strncmp(words[i], "ini=", 4) == 0) {
            path = words[i] + 4;
        }
    }
    SetDefaults(settings);
    ScriptEntry* entries = ParseScriptFile(path);
    const struct {
        const char* key;
        char (&setting)[256];
    } keys[] = {{"JavaGameClassName", settings->gameClassName},
                {"JavaClasses", settings->javaClasses},
                {"JavaClassesPacked", settings->javaClassesPacked}};
    for (const ScriptEntry* entry = entries; entry; entry = entry->next) {
        for (const auto& key : keys) {
            const char* text = FirstString(entry);
            // An entry without a string value leaves the setting as it was.
            if (_stricmp(entry->name, key.key) == 0 && text) {
                SetText(key.setting, text);
            }
        }
    }
    delete entries;
}
