// The 8-bit code pages that configuration files are written in, and their mapping to and from
// the UTF-8 that the protocol carries. Every byte maps to one code point of the Basic
// Multilingual Plane, so a file's byte column is the count of code points before it.
#pragma once

#include <string>

enum class CodePage { kWindows1252, kLatin1 };

// The code page a setting names ("windows-1252", "cp1252", "1252", "iso-8859-1", "latin1",
// in any case); false when it names none of them.
bool CodePageNamed(const std::string& name, CodePage* page);
// The bytes as UTF-8.
std::string ToUtf8(const std::string& bytes, CodePage page);
// A message about a file, whose names and words come from the file's bytes and whose paths
// may come from the editor: kept when it is UTF-8 already, else read as the code page.
std::string MessageAsUtf8(const std::string& message, CodePage page);
// UTF-8 text as bytes of the code page: a code point it lacks, or a malformed sequence, becomes
// one '?', so the bytes hold one byte per code point.
std::string FromUtf8(const std::string& text, CodePage page);
// The code point of UTF-8 `text` at `*at`, which moves past it; a malformed byte counts as one
// code point of its own (U+FFFD).
char32_t NextCodePoint(const std::string& text, size_t* at);
