// Which archive entries the names on a command line select, as unzip and zip users write them:
// a name as the file layer finds it, every entry under a folder's name, or those a pattern
// with *, ? and [...] matches. Letters compare in any case and either slash separates, as the
// layer's index compares names.
#pragma once

#include <string>
#include <vector>

class EntrySelection {
public:
    explicit EntrySelection(const std::vector<std::string>& patterns);
    // True when no pattern was given or one selects the entry stored as `name`; each pattern
    // that does is marked as used.
    bool Selects(const std::string& name);
    // The patterns that selected nothing, as given.
    std::vector<std::string> Unused() const;

private:
    std::vector<std::string> given_, keys_;
    std::vector<bool> used_;
};

// Whether `text` matches the glob `pattern`: '*' any run of bytes ('/' too, as unzip has it),
// '?' one character, "[abc]", "[a-z]" and "[!abc]" one character of a set. Work stays within
// the product of the two lengths.
bool GlobMatches(const std::string& pattern, const std::string& text);
