#include "vfs/file_name.h"

#include "vfs/internal/pack.h"

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

bool StartsWithDotSlash(const char* name) {
    return name[0] == '.' && (name[1] == '/' || name[1] == '\\');
}

} // namespace

FileName::FileName(const char* name, NameForm form) {
    char separator = form == NameForm::kChecksum ? '\\' : '/';
    bool keepCase = form != NameForm::kChecksum && packKeepCase;
    size_t most = form == NameForm::kChecksum ? kMostChecksumNameLength : std::string::npos;
    switch (form) {
    case NameForm::kLookup:
        name += StartsWithDotSlash(name) ? 2 : 0;
        break;
    case NameForm::kIndexed:
        while (StartsWithDotSlash(name)) {
            name += 2;
        }
        break;
    case NameForm::kChecksum:
        while (*name == '.' || *name == '/' || *name == '\\') {
            ++name;
        }
        break;
    }
    for (; *name != '\0' && text_.size() < most; ++name) {
        text_ += Fold(*name, separator, keepCase);
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
