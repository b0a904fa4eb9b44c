// Writing a user's file so that it is never lost: the bytes go to a new temporary file beside
// it, which is renamed over it only once written and closed.
#pragma once

#include <string>

// Replaces the file at `path` with `bytes`; "" on success, else the reason. Refuses a `path`
// that exists and is not a regular file (a folder, a pipe, a device), and on any failure
// removes only the temporary it made, leaving `path` as it was.
std::string ReplaceFile(const std::string& path, const std::string& bytes);
