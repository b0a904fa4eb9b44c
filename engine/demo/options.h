// Numbers that a game takes from its command line, as words of the form key=N. Plain C, so
// that engines written in C can use it too.
#pragma once

#include <errno.h>
#include <stdlib.h>
#include <string.h>

// The number of the first word that begins with `key` (e.g. "frames="), or `fallback` when no
// word does or its number is malformed or outside [low, high].
static inline long ReadNumberOption(const char* commandLine, const char* key, long fallback,
                                    long low, long high) {
    size_t keyLength = strlen(key);
    for (const char* word = commandLine; word && *word; ++word) {
        int wordStart = word == commandLine || word[-1] == ' ' || word[-1] == '\t';
        if (!wordStart || strncmp(word, key, keyLength) != 0) {
            continue;
        }
        char* end;
        errno = 0;
        long value = strtol(word + keyLength, &end, 10);
        int wholeWord = end != word + keyLength && (*end == '\0' || *end == ' ' || *end == '\t');
        return wholeWord && errno == 0 && value >= low && value <= high ? value : fallback;
    }
    return fallback;
}
