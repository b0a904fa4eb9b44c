// The verbs of ferrox-vfs, one file each, and what they are given.
#pragma once

#include "tools/tool_frame.h"
#include "vfs/mount.h"

#include <string>
#include <vector>

// The archives to mount, the verb, and what follows it: the names or paths, and the verb's
// own options.
enum class Verbosity { kQuiet, kNormal, kVerbose };

struct VerbArguments {
    std::vector<std::string> archives; // --mount, in order, or the one operand; "-" stdin
    std::string verb;
    std::vector<std::string> operands;
    std::string directory = "."; // extract -C
    bool force = false;          // extract and pack -f: overwrite
    bool keep = false;           // extract -n: keep existing files quietly
    Verbosity verbosity = Verbosity::kNormal;
    int level = 6;    // pack --level
    std::string date; // pack --date, empty for the files' own times
};

// Mounts an archive, "-" from standard input; false, with the reason told, when refused.
bool MountArchive(const std::string& archive);
// The name under which the layer knows a mounted archive: the one it was opened by.
std::string LayerName(const std::string& archive);
// "NAME: what happened (system reason)" for an archive that the layer refused; `error` is
// the errno where the system gave one, else 0.
std::string ArchiveProblem(const std::string& archive, MountResult result, int error);

// Each verb's exit status follows the frame's convention. All but Pack run once the archives
// are mounted.
int List(const VerbArguments& arguments);
int Test(const VerbArguments& arguments);
int Cat(const VerbArguments& arguments);
int Stat(const VerbArguments& arguments);
int Extract(const VerbArguments& arguments);
int Pack(const VerbArguments& arguments);
