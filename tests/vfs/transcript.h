// Transcripts of the file layer: case files of commands, each followed by what it must print.
#pragma once

#include "tests/support/temporary_folder.h"

#include <string>

// Runs the commands of the transcript at `path` in `folder`, the working folder, one test
// failure for each command whose output differs from the lines that follow it in the file.
void RunTranscript(const std::string& path, const TemporaryFolder& folder);

// The bytes that a quoted word stands for: \n, \r, \t and \xHH are escapes, and a backslash
// before any other character stands for that character.
std::string Unescape(const std::string& text);
