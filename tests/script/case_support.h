// What the script's case drivers share: the case files of a folder, the log as a case sees it,
// and the text forms that inputs and expected outputs are written in.
#pragma once

#include "diag/log.h"
#include "script/entry.h"
#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// A test of each case is named after it.
inline std::string CaseName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param;
}

// The names of the files in `folder` that end in `extension`, without it, sorted.
inline std::vector<std::string> CaseNames(const std::string& folder, const char* extension) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        if (item.path().extension() == extension) {
            names.push_back(item.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string& Logged() {
    static std::string logged;
    return logged;
}

// From now on the log writes no file and its messages gather in Logged().
inline void CaptureLog() {
    LogToEchoHookOnly();
    SetLogEchoHook([](const char* message) { Logged() += message; });
    Logged().clear();
}

// A case that runs in a fresh folder of its own as the working folder, with the log captured.
class CaseInFreshFolder : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.Folder());
        CaptureLog();
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    TemporaryFolder folder_;
    std::filesystem::path previous_;
};

// Bytes as a quoted string: CR, LF, tab, quote and backslash as C escapes, other bytes outside
// printable ASCII as \xHH.
inline std::string Quote(const std::string& bytes) {
    std::string text = "\"";
    for (unsigned char c : bytes) {
        size_t named = std::string("\r\n\t\"\\").find(char(c));
        char hex[8];
        std::snprintf(hex, sizeof hex, c < 0x20 || c > 0x7E ? "\\x%02x" : "%c", c);
        text += named != std::string::npos ? std::string("\\") + "rnt\"\\"[named] : hex;
    }
    return text + "\"";
}

inline std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The text with every {COUNT*TEXT} written out as TEXT COUNT times.
inline std::string Expand(const std::string& text) {
    std::string out;
    size_t at = 0;
    for (size_t open; (open = text.find('{', at)) != std::string::npos;) {
        size_t star = text.find('*', open), close = text.find('}', open);
        if (star == std::string::npos || close == std::string::npos || star > close) {
            break;
        }
        out += text.substr(at, open - at);
        for (long i = std::stol(text.substr(open + 1, star - open - 1)); i > 0; --i) {
            out.append(text, star + 1, close - star - 1);
        }
        at = close + 1;
    }
    return out + text.substr(at);
}

// The bytes that a quoted string in the form of Quote stands for, with \0 for NUL, expanded.
inline std::string Unquote(const std::string& quoted) {
    std::string bytes;
    for (size_t at = 1; at + 1 < quoted.size(); ++at) {
        char c = quoted[at];
        if (c == '\\') {
            c = quoted[++at];
            size_t named = std::string("rnt0").find(c);
            c = named != std::string::npos ? "\r\n\t"[named] : c;
            if (c == 'x') {
                c = char(std::stoi(quoted.substr(at + 1, 2), nullptr, 16));
                at += 2;
            }
        }
        bytes += c;
    }
    return Expand(bytes);
}

// The shortest decimal that reads back as the value, with a point; a NaN with its bits.
inline std::string FloatText(float value) {
    char text[64];
    if (std::isnan(value)) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        std::snprintf(text, sizeof text, "nan(0x%08x)", unsigned(bits));
        return text;
    }
    std::string digits(
        text, std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr);
    return digits.find_first_of(".i") == std::string::npos ? digits + ".0" : digits;
}

// A value list as "1, 2.5, "text"": a string without text as "no text", a kind-only value as
// "kind K".
inline std::string ValuesText(const ScriptValue* value) {
    std::string text;
    for (; value; value = value->next) {
        text += text.empty() ? "" : ", ";
        if (auto integer = dynamic_cast<const IntValue*>(value)) {
            text += std::to_string(integer->value);
        } else if (auto real = dynamic_cast<const FloatValue*>(value)) {
            text += FloatText(real->value);
        } else if (auto string = dynamic_cast<const StringValue*>(value)) {
            text += string->text ? Quote(string->text) : "no text";
        } else {
            text += "kind " + std::to_string(value->kind);
        }
    }
    return text;
}

// Bytes in hex, 16 to a line.
inline std::string Hex(const std::string& bytes) {
    std::string text;
    for (size_t at = 0; at < bytes.size(); ++at) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x%c", unsigned(static_cast<unsigned char>(bytes[at])),
                      at % 16 == 15 || at + 1 == bytes.size() ? '\n' : ' ');
        text += hex;
    }
    return text;
}

// The entry record of the list, written through the file `path`.
inline std::string Record(const ScriptEntry& entries, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_TRUE(file && entries.Write(file) == 1u && std::fclose(file) == 0) << path;
    return ReadFile(path);
}
