// The normalised forms of file names that the file layer keys things by, and its comparison of
// paths under Windows rules. Every form turns both separators into one and folds ASCII letters
// to lower case, so that a name matches whatever case or slashes a caller writes it with.
// One thread mounts, opens and parses.
#pragma once

#include <string>
#include <string_view>

enum class NameForm {
    // A name asked of the archive index: slashes, one leading "./" removed.
    kLookup,
    // An archive's own name for an entry: slashes, every leading "./" removed, since a name
    // that kept one could never be found by a caller's lookup.
    kIndexed,
    // The checksum log's: backslashes, no leading dots or separators, at most 259 characters.
    // "./Data/Game.ini" and "..\data/GAME.INI" are both "data\game.ini".
    kChecksum,
};

class FileName {
public:
    FileName(std::string_view name, NameForm form);
    const char* c_str() const { return text_.c_str(); }
    size_t size() const { return text_.size(); }

private:
    std::string text_;
};

// 1 when two paths name one file under Windows rules, whatever the case of their ASCII letters
// or the direction of their slashes, else 0.
int vfsamepath(const char* a, const char* b);
