// Numbers that a game takes from its command line, as words of the form key=N.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>

// The number of the first word that begins with `key` (e.g. "frames="), or `fallback` when no
// word does or its number is malformed or outside [low, high].
inline long ReadNumberOption(const char* commandLine, const char* key, long fallback, long low,
                             long high) {
    size_t keyLength = std::strlen(key);
    for (const char* word = commandLine; word && *word; ++word) {
        bool wordStart = word == commandLine || word[-1] == ' ' || word[-1] == '\t';
        if (!wordStart || std::strncmp(word, key, keyLength) != 0) {
            continue;
        }
        char* end;
        errno = 0;
        long value = std::strtol(word + keyLength, &end, 10);
        bool wholeWord = end != word + keyLength && (*end == '\0' || *end == ' ' || *end == '\t');
        return wholeWord && errno == 0 && value >= low && value <= high ? value : fallback;
    }
    return fallback;
}
