// The verbs of ferrox-vfs, one file each, and what they share.
#pragma once

#include <string>
#include <vector>

// The exit statuses, as --help and the README document them.
const int kExitOk = 0;
const int kExitProblem = 1; // a name not found, damaged data, an archive refused, a write failed
const int kExitUsage = 2;

// What follows the verb: the names or paths, and the verb's own options.
struct VerbArguments {
    std::vector<std::string> operands;
    std::string directory = "."; // extract -C
    bool force = false;          // extract and pack -f: overwrite
    int level = 6;               // pack --level
    std::string date;            // pack --date, empty for the files' own times
};

// Prints "ferrox-vfs: MESSAGE" and the hint to --help on standard error; kExitUsage.
int UsageError(const std::string& message);
// Prints "ferrox-vfs: MESSAGE" on standard error.
void Complain(const std::string& message);

int List(const std::vector<std::string>& archives);
int Test(const std::vector<std::string>& archives);
int Cat(const std::vector<std::string>& names);
int Stat(const std::vector<std::string>& names);
int Extract(const std::vector<std::string>& archives, const VerbArguments& arguments);
int Pack(const VerbArguments& arguments);
