// The cost of the C++ runtime alone: a program that does nothing but is linked, as the launcher
// is, against the shared C++ library, and makes it start by using one of its strings.
#include <string>

int main(int argc, char**) {
    std::string word(size_t(argc), 'x');
    return int(word.size()) - argc;
}
