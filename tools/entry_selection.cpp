#include "tools/entry_selection.h"

#include "vfs/file_name.h"

namespace {

// The name as the index keys it, without the slash that ends a directory entry's name.
std::string KeyOf(const std::string& name) {
    std::string key = FileName(name, NameForm::kIndexed).c_str();
    while (!key.empty() && key.back() == '/') {
        key.pop_back();
    }
    return key;
}

bool IsGlob(const std::string& pattern) {
    return pattern.find_first_of("*?[") != std::string::npos;
}

// The length of the UTF-8 character that starts with `lead`, so that '?' takes it whole.
size_t CharacterLength(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Matches one character of `text` at `t` against the set at `pattern[p]` ('['); the set's end
// in `*next`. A '[' with no closing ']' stands for itself.
bool SetMatches(const std::string& pattern, size_t p, const std::string& text, size_t t,
                size_t* next) {
    size_t i = p + 1;
    bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    i += negated ? 1 : 0;
    bool found = false;
    for (size_t first = i; i < pattern.size() && (pattern[i] != ']' || i == first); ++i) {
        unsigned char low = pattern[i], high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            high = pattern[i + 2];
            i += 2;
        }
        unsigned char c = text[t];
        found = found || (low <= c && c <= high);
    }
    if (i >= pattern.size()) {
        *next = p + 1;
        return text[t] == '[';
    }
    *next = i + 1;
    return found != negated;
}

} // namespace

bool GlobMatches(const std::string& pattern, const std::string& text) {
    size_t p = 0, t = 0;
    size_t starP = std::string::npos, starT = 0; // where the last '*' was and what it took
    while (t < text.size()) {
        size_t next = p + 1, taken = 1;
        bool step = false;
        if (p < pattern.size()) {
            char c = pattern[p];
            if (c == '*') {
                starP = p++;
                starT = t;
                continue;
            }
            if (c == '?') {
                step = true;
                taken = CharacterLength(text[t]);
            } else if (c == '[') {
                step = SetMatches(pattern, p, text, t, &next);
            } else {
                step = c == text[t];
            }
        }
        if (step) {
            p = next;
            t += taken;
        } else if (starP != std::string::npos) {
            p = starP + 1; // the last '*' takes one more byte
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

EntrySelection::EntrySelection(const std::vector<std::string>& patterns)
    : given_(patterns), used_(patterns.size(), false) {
    for (const std::string& pattern : patterns) {
        keys_.push_back(KeyOf(pattern));
    }
}

bool EntrySelection::Selects(const std::string& name) {
    if (keys_.empty()) {
        return true;
    }
    std::string key = KeyOf(name);
    bool selected = false;
    for (size_t i = 0; i < keys_.size(); ++i) {
        const std::string& pattern = keys_[i];
        bool under = key.size() > pattern.size() && key.compare(0, pattern.size(), pattern) == 0 &&
                     key[pattern.size()] == '/';
        if (key == pattern || under || (IsGlob(pattern) && GlobMatches(pattern, key))) {
            used_[i] = true;
            selected = true;
        }
    }
    return selected;
}

std::vector<std::string> EntrySelection::Unused() const {
    std::vector<std::string> unused;
    for (size_t i = 0; i < given_.size(); ++i) {
        if (!used_[i]) {
            unused.push_back(given_[i]);
        }
    }
    return unused;
}
