#include "tools/entry_path.h"

#include <cctype>

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        c = char(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// Windows drops trailing blanks and dots of a component before it opens it.
std::string WithoutTrailingBlanksAndDots(const std::string& part) {
    return part.substr(0, part.find_last_not_of(" .") + 1);
}

// Windows opens a device, not a file, for these names, whatever their case and extension and
// blanks before the extension; the digits include the superscripts ¹²³ (UTF-8).
bool DeviceName(const std::string& part) {
    std::string stem = WithoutTrailingBlanksAndDots(part);
    stem = Upper(stem.substr(0, stem.find('.')));
    stem = stem.substr(0, stem.find_last_not_of(' ') + 1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (stem == device) {
            return true;
        }
    }
    if (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0) {
        return false;
    }
    std::string digit = stem.substr(3);
    return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xC2\xB9" ||
           digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

// Why one component of a name may not be written, "" when it may.
std::string WhyRefused(const std::string& part) {
    if (part == "..") {
        return "a '..' component";
    }
    if (DeviceName(part)) {
        return "a Windows device name";
    }
    if (WithoutTrailingBlanksAndDots(part) != part) {
        return "a trailing blank or dot, which Windows would drop";
    }
    return "";
}

} // namespace

fs::path SafeRelativePath(const std::string& name, std::string* why) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') {
        *why = "an absolute name";
        return {};
    }
    if (name.find(':') != std::string::npos) {
        *why = "a drive letter or stream name (':')";
        return {};
    }
    fs::path path;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? name.size() + 1 : end + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        *why = WhyRefused(part);
        if (!why->empty()) {
            return {};
        }
        path /= fs::u8path(part);
    }
    if (path.empty()) {
        *why = "no file name";
    }
    return path;
}
