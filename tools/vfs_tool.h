// The verbs of ferrox-vfs, one file each, and what they are given.
#pragma once

#include "tools/tool_frame.h"

#include <string>
#include <vector>

// The archives to mount, the verb, and what follows it: the names or paths, and the verb's
// own options.
struct VerbArguments {
    std::vector<std::string> archives; // --mount, in order
    std::string verb;
    std::vector<std::string> operands;
    std::string directory = "."; // extract -C
    bool force = false;          // extract and pack -f: overwrite
    int level = 6;               // pack --level
    std::string date;            // pack --date, empty for the files' own times
};

// Each verb's exit status follows the frame's convention. All but Pack run once the archives
// are mounted.
int List(const VerbArguments& arguments);
int Test(const VerbArguments& arguments);
int Cat(const VerbArguments& arguments);
int Stat(const VerbArguments& arguments);
int Extract(const VerbArguments& arguments);
int Pack(const VerbArguments& arguments);
