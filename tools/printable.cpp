#include "tools/printable.h"

std::string Printable(std::string text, bool keepTabs) {
    for (char& c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && !(keepTabs && c == '\t')) || byte == 0x7F) {
            c = '?';
        }
    }
    return text;
}
