// What a parse of a document found, and where: the keywords declared and how long each is in
// force, the constants, every call with its arguments and the block it opens, every include
// and what it resolved to. Places are byte offsets in the files as the parse read them; the
// parse's order is kept as a count of steps, so that "in force here" is a comparison.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct IndexSpot {
    std::string path; // as the parse named the file
    uint32_t at = 0, end = 0;
    bool Holds(const std::string& file, uint32_t offset) const;
};

struct IndexedKeyword {
    std::string name;     // lower-cased, as the parse matches it
    std::string spelling; // as its declaration writes it
    std::string kinds;    // its letters, "sii"
    IndexSpot spot;
    long declared = 0, until = -1;   // steps; until -1: to the end of the parse
    std::string Declaration() const; // "!level(s, i, i)"
};

struct IndexedConstant {
    std::string name, spelling;
    int kind = 0;
    std::string value; // as the game reads it
    IndexSpot spot;
    long defined = 0;
};

struct IndexedArgument {
    IndexSpot spot;
    int kind = 0;      // what the parameter wants
    int constant = -1; // the constant named there
    std::string value; // as the game reads it; empty when none was read
};

struct IndexedCall {
    int keyword = -1; // in `keywords`
    IndexSpot name;
    long step = 0;
    int parent = -1;    // the call whose block holds it
    uint32_t end = 0;   // past its ')' or its block's '}'
    bool block = false; // it opens one
    std::vector<IndexedArgument> arguments;
};

struct IndexedInclude {
    enum Where { kDisk, kArchive, kMissing };
    IndexSpot name;
    std::string path;
    Where where = kDisk;
};

struct ScriptIndex {
    std::vector<IndexedKeyword> keywords;
    std::vector<IndexedConstant> constants;
    std::vector<IndexedCall> calls;
    std::vector<IndexedInclude> includes;

    // Parses `bytes` as the file `path` (includes as the parse reads them) and indexes it.
    static ScriptIndex Build(const std::string& path, const std::string& bytes);
    // The step of the parse at byte `offset` of the file: the last thing read before it.
    long StepAt(const std::string& path, uint32_t offset) const;
    // The keywords in force at `step`, newest first, one of each name.
    std::vector<int> KeywordsAt(long step) const;
    // The constants defined before `step`, newest first, one of each name.
    std::vector<int> ConstantsAt(long step) const;

    struct Mark {
        std::string path;
        uint32_t at;
        long step;
    };
    std::vector<Mark> marks; // in the parse's order
};

// A value as the game reads it: an integer, a decimal number, or a string in quotes with its
// escapes applied.
std::string ShownValue(const class ScriptValue* value);
