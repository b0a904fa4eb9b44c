#include "vfs/file_name.h"

#include "vfs/internal/pack.h"

#include <algorithm>

namespace {

const size_t kMostChecksumNameLength = 259;

// A name's byte in the folded form, with `separator` for both slashes. Archive names keep their
// case while packKeepCase is set.
char Fold(char c, char separator, bool keepCase) {
    if (c == '/' || c == '\\') {
        return separator;
    }
    return !keepCase && c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

bool StartsWithDotSlash(std::string_view name) {
    return name.size() >= 2 && name[0] == '.' && (name[1] == '/' || name[1] == '\\');
}

} // namespace

FileName::FileName(std::string_view name, NameForm form) {
    char separator = form == NameForm::kChecksum ? '\\' : '/';
    bool keepCase = form != NameForm::kChecksum && packKeepCase;
    size_t most = form == NameForm::kChecksum ? kMostChecksumNameLength : std::string::npos;
    switch (form) {
    case NameForm::kLookup:
        name.remove_prefix(StartsWithDotSlash(name) ? 2 : 0);
        break;
    case NameForm::kIndexed:
        while (StartsWithDotSlash(name)) {
            name.remove_prefix(2);
        }
        break;
    case NameForm::kChecksum:
        name.remove_prefix(std::min(name.find_first_not_of("./\\"), name.size()));
        break;
    }
    name = name.substr(0, most);
    text_.reserve(name.size());
    for (char c : name) {
        text_ += Fold(c, separator, keepCase);
    }
}

int vfsamepath(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = Fold(*a, '/', false), y = Fold(*b, '/', false);
        if (x != y) {
            return 0;
        }
        if (x == '\0') {
            return 1;
        }
    }
}
