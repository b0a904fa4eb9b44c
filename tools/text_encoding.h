// The encodings of the text a tool shows: configuration files are Windows-1252 or UTF-8, and
// neither says which; valid UTF-8 is taken as UTF-8, any other byte as Windows-1252.
#pragma once

#include <cstddef>
#include <string>

// The length of the UTF-8 character at `at`, 0 when the bytes there are not one.
size_t Utf8Length(const std::string& text, size_t at);

// `text` as UTF-8: its UTF-8 characters kept, its other bytes read as Windows-1252 (the five it
// leaves undefined shown as '?').
std::string Windows1252AsUtf8(const std::string& text);
