// file: URIs, as the protocol names documents, and the paths the parser opens.
#pragma once

#include <string>

// The path of a file: URI ("file:///home/m/game.ini" -> "/home/m/game.ini"; on Windows
// "file:///c%3A/m/game.ini" -> "c:/m/game.ini"); false when the URI is not a file: URI.
bool PathOfFileUri(const std::string& uri, std::string* path);
// The file: URI of an absolute path, each byte outside the unreserved set percent-encoded.
std::string FileUriOfPath(const std::string& path);
