// test: reads every entry that the file layer serves, as unzip -t does, and checks its size
// and CRC-32 against the central directory; entries the layer cannot serve are problems too,
// since the game cannot read them.
#include "tools/entry_check.h"
#include "tools/entry_name.h"
#include "tools/entry_selection.h"
#include "tools/entry_text.h"
#include "tools/printable.h"
#include "tools/progress.h"
#include "tools/vfs_tool.h"
#include "vfs/listing.h"
#include "vfs/vfile.h"

#include <cstdio>

namespace {

struct Tally {
    const std::string* archive;
    EntrySelection* selection;
    Verbosity verbosity;
    Progress* progress;
    uint64_t files = 0;
    uint64_t problems = 0;
};

void TestEntry(const ListedEntry& listed, void* context) {
    Tally* tally = static_cast<Tally*>(context);
    std::string stored = EntryName(*listed.header), name = Printable(stored);
    if (listed.service == kDirectoryEntry || !tally->selection->Selects(stored)) {
        return;
    }
    ++tally->files;
    std::string problem = "not served: " + WhyNotServed(listed);
    if (listed.service == kServed) {
        FILE* file = vfopenentry(listed.entry);
        problem = file ? CopyCheckedFile(file, nullptr) : "cannot be opened";
        if (file) {
            vfclose(file);
        }
    }
    tally->progress->FileDone(listed.header->size);
    if (problem.empty() && tally->verbosity == Verbosity::kVerbose) {
        ClearProgress();
        std::printf("    testing: %s  OK\n", name.c_str());
    }
    if (!problem.empty()) {
        ClearProgress();
        ++tally->problems;
        std::printf("%s: %s: %s\n", Printable(*tally->archive).c_str(), name.c_str(),
                    problem.c_str());
    }
}

} // namespace

int Test(const VerbArguments& arguments) {
    int status = kExitOk;
    EntrySelection selection(arguments.operands);
    for (const std::string& archive : arguments.archives) {
        Progress progress("test", arguments.verbosity != Verbosity::kQuiet);
        Tally tally{&archive, &selection, arguments.verbosity, &progress};
        MountResult result = vflistarchive(LayerName(archive).c_str(), TestEntry, &tally);
        progress.Clear();
        if (result != kMountOk) {
            Complain(ArchiveProblem(archive, result, 0));
            status = kExitProblem;
            continue;
        }
        std::string shown = Printable(archive);
        std::string files = std::to_string(tally.files) + (tally.files == 1 ? " file" : " files");
        if (tally.problems == 0 && arguments.verbosity == Verbosity::kQuiet) {
            continue;
        }
        if (tally.problems == 0) {
            std::printf("%s: %s tested, no problems\n", shown.c_str(), files.c_str());
        } else {
            std::printf("%s: %s tested, %s with problems\n", shown.c_str(), files.c_str(),
                        std::to_string(tally.problems).c_str());
            status = kExitProblem;
        }
    }
    for (const std::string& pattern : selection.Unused()) {
        Complain(Printable(pattern) + ": not in the mounted archives");
        status = kExitProblem;
    }
    return status;
}
