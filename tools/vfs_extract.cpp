// extract: writes the entries that the game would read as files under a folder, refusing every
// name that would land outside it and never replacing a file unless asked to.
#include "platform/win32.h"
#include "tools/entry_check.h"
#include "tools/entry_path.h"
#include "tools/file_identity.h"
#include "tools/printable.h"
#include "tools/replace_file.h"
#include "tools/vfs_tool.h"
#include "vfs/listing.h"
#include "vfs/vfile.h"

#include <cstdio>
#include <filesystem>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

#if defined(__GLIBC__)
// Blocks up to this size come from the heap, and the heap is given back only beyond it: the
// largest read buffer of one entry is a mebibyte.
const int kHeldBlock = 32 << 20;
#endif

// An archive that the run reads, and so never writes to.
struct MountedArchive {
    std::string path; // as mounted
    FileIdentity identity;
};

// The served entries of the mounted archives by the names they are stored under, and the
// directory entries, in archive order.
struct Catalogue {
    std::vector<std::pair<std::string, PackEntry*>> entries; // null entry: a directory
    std::unordered_map<const PackEntry*, std::string> storedNames;
};

void AddToCatalogue(const ListedEntry& listed, void* context) {
    Catalogue* catalogue = static_cast<Catalogue*>(context);
    if (listed.service != kServed && listed.service != kDirectoryEntry) {
        return;
    }
    std::string name(listed.header->name, listed.header->nameLength);
    catalogue->entries.emplace_back(name, listed.entry);
    if (listed.entry) {
        catalogue->storedNames.emplace(listed.entry, name);
    }
}

// False when a folder on the way to `relative` under `root` is a link, which could lead out.
bool NoLinkOnTheWay(const fs::path& root, const fs::path& relative) {
    fs::path at = root;
    for (const fs::path& part : relative) {
        at /= part;
        std::error_code error;
        if (fs::is_symlink(fs::symlink_status(at, error))) {
            return false;
        }
    }
    return true;
}

// Why an existing file at `target` must not be replaced even with -f: it is not a regular file
// (a folder, FIFO or device, which is never opened), or it is a mounted archive, which the run
// reads; empty when it may be.
std::string WhyNotReplaced(const fs::path& target, const fs::file_status& status,
                           const std::vector<MountedArchive>& archives) {
    switch (status.type()) {
    case fs::file_type::regular:
        break;
    case fs::file_type::directory:
        return "not a regular file but a folder";
    case fs::file_type::fifo:
        return "not a regular file but a FIFO";
    default:
        return "not a regular file";
    }
    std::optional<FileIdentity> identity = IdentityOfPath(target);
    if (!identity) {
        return "cannot tell which file it is";
    }
    for (const MountedArchive& archive : archives) {
        if (archive.identity == *identity) {
            return "the mounted archive " + Printable(archive.path) + ", which the run reads";
        }
    }
    return "";
}

// Writes one entry (a folder for a null entry); an empty text, else the problem. A file is
// written whole beside the target, checked, and only then takes the target's name.
std::string WriteEntry(const fs::path& target, PackEntry* entry, bool force,
                       const std::vector<MountedArchive>& archives) {
    std::error_code error;
    if (!entry) {
        fs::create_directories(target, error);
        return error ? "cannot create folder: " + error.message() : "";
    }
    fs::file_status status = fs::symlink_status(target, error);
    if (error && status.type() != fs::file_type::not_found) {
        return "cannot be looked at: " + error.message();
    }
    if (fs::exists(status)) {
        std::string why = WhyNotReplaced(target, status, archives);
        if (!why.empty()) {
            return "refused: " + why;
        }
        if (!force) {
            return "exists; not replaced (use -f to replace)";
        }
    }
    fs::create_directories(target.parent_path(), error);
    if (error) {
        return "cannot create folder: " + error.message();
    }
    FILE* in = vfopenentry(entry);
    if (!in) {
        return "cannot be opened";
    }
    ReplacementFile out(target);
    std::string problem = out.File() ? CopyCheckedFile(in, out.File()) : out.Error();
    vfclose(in);
    if (problem.empty() && !out.Commit(force)) {
        problem = out.Error();
    }
    return problem;
}

// The identities of the mounted archives, from the files that the layer opens for them; false,
// with the reason told, when one cannot be told.
bool IdentifyArchives(const std::vector<std::string>& paths,
                      std::vector<MountedArchive>* archives) {
    for (const std::string& path : paths) {
        FILE* file = WinPathFopen(path.c_str(), "rb");
        std::optional<FileIdentity> identity = file ? IdentityOfStream(file) : std::nullopt;
        if (file) {
            std::fclose(file);
        }
        if (!identity) {
            Complain(Printable(path) + ": cannot tell which file it is; nothing extracted");
            return false;
        }
        archives->push_back(MountedArchive{path, *identity});
    }
    return true;
}

// The catalogue of the archives; false, with the reason told, at the first one refused.
bool ReadCatalogue(const std::vector<std::string>& archives, Catalogue* catalogue) {
    for (const std::string& archive : archives) {
        MountResult result = vflistarchive(archive.c_str(), AddToCatalogue, catalogue);
        if (result != kMountOk) {
            Complain(Printable(archive) + ": " + MountResultText(result));
            return false;
        }
    }
    return true;
}

// What the game reads: the indexed entry of each name, or the named ones; false when a name
// given is not there, the others still wanted.
bool Wanted(const Catalogue& catalogue, const std::vector<std::string>& names,
            std::vector<std::pair<std::string, PackEntry*>>* wanted) {
    if (names.empty()) {
        for (const auto& item : catalogue.entries) {
            if (!item.second || vflookup(item.second->name) == item.second) {
                wanted->push_back(item);
            }
        }
    }
    bool found = true;
    for (const std::string& name : names) {
        PackEntry* entry = vflookup(name.c_str());
        if (!entry) {
            Complain(Printable(name) + ": not in the mounted archives");
            found = false;
            continue;
        }
        auto stored = catalogue.storedNames.find(entry);
        wanted->emplace_back(stored == catalogue.storedNames.end() ? "" : stored->second, entry);
    }
    return found;
}

// Writes the entry stored as `name` (a folder where `entry` is null) under the folder given,
// and prints where; false with the problem told.
bool ExtractEntry(const std::string& name, PackEntry* entry, const VerbArguments& arguments,
                  const std::vector<MountedArchive>& mounted) {
    fs::path root = fs::u8path(arguments.directory);
    std::string why, shown = Printable(name);
    fs::path relative = SafeRelativePath(name, &why);
    if (relative.empty()) {
        Complain(shown + ": refused: " + why);
        return false;
    }
    if (!NoLinkOnTheWay(root, relative)) {
        Complain(shown + ": refused: a link on the way");
        return false;
    }
    std::string problem = WriteEntry(root / relative, entry, arguments.force, mounted);
    if (!problem.empty()) {
        Complain(shown + ": " + problem);
        return false;
    }
    if (entry) {
        fs::path written = arguments.directory == "." ? relative : root / relative;
        std::printf("%s\n", Printable(written.generic_u8string()).c_str());
    }
    return true;
}

} // namespace

int Extract(const VerbArguments& arguments) {
#if defined(__GLIBC__)
    // Every entry's read buffers are taken and given back again: handed back to the kernel each
    // time, they would be faulted in again for the next file, and the unmapping flushes the
    // address space's cached translations on every processor. The heap keeps what it has.
    mallopt(M_MMAP_THRESHOLD, kHeldBlock);
    mallopt(M_TRIM_THRESHOLD, kHeldBlock);
#endif
    Catalogue catalogue;
    std::vector<MountedArchive> mounted;
    if (!ReadCatalogue(arguments.archives, &catalogue) ||
        !IdentifyArchives(arguments.archives, &mounted)) {
        return kExitProblem;
    }
    std::vector<std::pair<std::string, PackEntry*>> wanted;
    int status = Wanted(catalogue, arguments.operands, &wanted) ? kExitOk : kExitProblem;
    for (const auto& [name, entry] : wanted) {
        if (!ExtractEntry(name, entry, arguments, mounted)) {
            status = kExitProblem;
        }
    }
    return status;
}
