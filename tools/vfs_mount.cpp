// Mounting the archives a command names: files through the layer, and standard input read
// whole into memory first, since a pipe cannot be read from its end backwards.
#include "tools/printable.h"
#include "tools/standard_input.h"
#include "tools/system_name.h"
#include "tools/vfs_tool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// The most that standard input may hold: an archive larger than this is given as a file.
const size_t kMaxInputArchive = size_t(1) << 30;

// What the layer's result means, in the words of the tool's messages.
const char* ResultText(MountResult result) {
    switch (result) {
    case kMountOk:
        return "mounted";
    case kCannotOpen:
        return "cannot be opened or read";
    case kNotAnArchive:
        return "not a ZIP archive (no end record)";
    case kCorrupt:
        return "damaged: a record lies outside the file or contradicts itself";
    case kTooLarge:
        return "too large: it needs offsets or sizes beyond 32 bits";
    case kIndexFull:
        return "its files would not fit the archive index";
    case kAlreadyMounted:
        return "mounted already";
    case kNotMounted:
        return "not mounted";
    case kInUse:
        return "files of it are still open";
    case kNoMemory:
        return "not enough memory";
    }
    return "refused";
}

} // namespace

std::string LayerName(const std::string& archive) {
    std::string name;
    return archive != "-" && SystemNameOf(archive, &name) ? name : archive;
}

std::string ArchiveProblem(const std::string& archive, MountResult result, int error) {
    std::string shown = archive == "-" ? "standard input" : Printable(archive);
    std::string message = shown + ": " + ResultText(result);
    if (result == kCannotOpen && archive != "-") {
        std::error_code ignored;
        if (std::filesystem::is_directory(std::filesystem::u8path(archive), ignored)) {
            return shown + ": a folder, not an archive";
        }
    }
    if (result == kCannotOpen && error != 0) {
        message += std::string(" (") + std::strerror(error) + ")";
    }
    return message;
}

bool MountArchive(const std::string& archive) {
    static std::string input; // lent to the layer while the tool runs
    MountResult result;
    errno = 0;
    if (archive == "-") {
        std::string problem =
            input.empty() ? ReadStandardInput(kMaxInputArchive + 1, &input) : "read already";
        if (problem.empty() && input.size() > kMaxInputArchive) {
            problem = "more than 1 GiB; give the archive as a file";
        }
        if (!problem.empty()) {
            Complain("standard input: " + problem);
            return false;
        }
        result = vfmountbytes("-", input.data(), input.size());
    } else if (std::string name; SystemNameOf(archive, &name)) {
        result = vfmount(name.c_str());
    } else {
        Complain(Printable(archive) + ": cannot be opened (the system's code page cannot spell "
                                      "its name, and it has no short name)");
        return false;
    }
    if (result != kMountOk) {
        Complain(ArchiveProblem(archive, result, errno));
        return false;
    }
    return true;
}
