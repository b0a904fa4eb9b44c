// extract: writes the entries that the game would read as files under a folder, refusing every
// name that would land outside it and never replacing a file unless asked to.
#include "platform/win32.h"
#include "tools/entry_check.h"
#include "tools/entry_name.h"
#include "tools/entry_path.h"
#include "tools/entry_selection.h"
#include "tools/file_identity.h"
#include "tools/file_stamp.h"
#include "tools/printable.h"
#include "tools/progress.h"
#include "tools/replace_file.h"
#include "tools/vfs_tool.h"
#include "vfs/listing.h"
#include "vfs/vfile.h"

#include <cstdio>
#include <filesystem>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

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

// An entry as the archive stores it: its name, the layer's entry (null for a directory) and
// the header's other facts (its name pointer cleared, since the header's bytes do not last).
struct Stored {
    std::string name;
    PackEntry* entry;
    ZipFileHeader header;
};

// The served entries of the mounted archives by the names they are stored under, and the
// directory entries, in archive order.
struct Catalogue {
    std::vector<Stored> entries;
};

void AddToCatalogue(const ListedEntry& listed, void* context) {
    Catalogue* catalogue = static_cast<Catalogue*>(context);
    if (listed.service != kServed && listed.service != kDirectoryEntry) {
        return;
    }
    std::string name = EntryName(*listed.header);
    ZipFileHeader header = *listed.header;
    header.name = nullptr;
    catalogue->entries.push_back(Stored{name, listed.entry, header});
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

// What came of one entry: written, kept as it was (-n), or the problem told.
enum class Outcome { kWritten, kKept, kProblem };

// Writes one entry (a folder for a null entry); an empty text, else the problem. An existing
// file kept quietly (-n) sets `*kept`. A file is written whole beside the target, checked, and
// only then takes the target's name, and the time and executable bit the entry records.
std::string WriteEntry(const fs::path& target, const Stored& stored, const VerbArguments& arguments,
                       const std::vector<MountedArchive>& archives, bool* kept) {
    PackEntry* entry = stored.entry;
    bool force = arguments.force;
    std::error_code error;
    if (!entry) {
        fs::create_directories(target, error);
        return error ? "cannot create folder (" + error.message() + ")" : "";
    }
    fs::file_status status = fs::symlink_status(target, error);
    if (error && status.type() != fs::file_type::not_found) {
        return "cannot be looked at (" + error.message() + ")";
    }
    if (fs::exists(status)) {
        std::string why = WhyNotReplaced(target, status, archives);
        if (!why.empty()) {
            return "refused: " + why;
        }
        if (arguments.keep) {
            *kept = true;
            return "";
        }
        if (!force) {
            return "exists; not replaced (use -f to replace, -n to keep quietly)";
        }
    }
    fs::create_directories(target.parent_path(), error);
    if (error) {
        return "cannot create folder (" + error.message() + ")";
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
    return problem.empty() ? RestoreStamp(target, stored.header) : problem;
}

// The identities of the mounted archives, from the files that the layer opens for them; false,
// with the reason told, when one cannot be told.
bool IdentifyArchives(const std::vector<std::string>& paths,
                      std::vector<MountedArchive>* archives) {
    for (const std::string& path : paths) {
        if (path == "-") {
            continue; // standard input, in memory: no file that a write could reach
        }
        FILE* file = WinPathFopen(LayerName(path).c_str(), "rb");
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
        MountResult result = vflistarchive(LayerName(archive).c_str(), AddToCatalogue, catalogue);
        if (result != kMountOk) {
            Complain(ArchiveProblem(archive, result, 0));
            return false;
        }
    }
    return true;
}

// What the game reads of the entries selected: the indexed entry of each name, and the
// directory entries; false, with each told, when a name or pattern selects nothing.
bool Wanted(const Catalogue& catalogue, const std::vector<std::string>& patterns,
            std::vector<Stored>* wanted) {
    EntrySelection selection(patterns);
    for (const auto& item : catalogue.entries) {
        bool read = !item.entry || vflookup(item.entry->name) == item.entry;
        if (read && selection.Selects(item.name)) {
            wanted->push_back(item);
        }
    }
    std::vector<std::string> unused = selection.Unused();
    for (const std::string& pattern : unused) {
        Complain(Printable(pattern) + ": not in the mounted archives");
    }
    return unused.empty();
}

// Writes the entry stored as `name` (a folder where `entry` is null) under the folder given,
// and prints where unless quiet; the problem told.
Outcome ExtractEntry(const Stored& stored, const VerbArguments& arguments,
                     const std::vector<MountedArchive>& mounted) {
    fs::path root = fs::u8path(arguments.directory);
    std::string why, shown = Printable(stored.name);
    fs::path relative = SafeRelativePath(stored.name, &why);
    if (relative.empty()) {
        Complain(shown + ": refused: " + why);
        return Outcome::kProblem;
    }
    if (!NoLinkOnTheWay(root, relative)) {
        Complain(shown + ": refused: a link on the way");
        return Outcome::kProblem;
    }
    bool kept = false;
    std::string problem = WriteEntry(root / relative, stored, arguments, mounted, &kept);
    if (!problem.empty()) {
        Complain(shown + ": " + problem);
        return Outcome::kProblem;
    }
    if (kept) {
        return Outcome::kKept;
    }
    if (stored.entry && arguments.verbosity != Verbosity::kQuiet) {
        fs::path written = arguments.directory == "." ? relative : root / relative;
        ClearProgress();
        std::printf("%s\n", Printable(written.generic_u8string()).c_str());
    }
    return Outcome::kWritten;
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
    std::vector<Stored> wanted;
    int status = Wanted(catalogue, arguments.operands, &wanted) ? kExitOk : kExitProblem;
    uint64_t kept = 0;
    Progress progress("extract", arguments.verbosity != Verbosity::kQuiet);
    for (const Stored& stored : wanted) {
        Outcome outcome = ExtractEntry(stored, arguments, mounted);
        status = outcome == Outcome::kProblem ? kExitProblem : status;
        kept += outcome == Outcome::kKept ? 1 : 0;
        progress.FileDone(stored.header.size);
    }
    progress.Clear();
    // A folder's time last, once nothing more is written into it, the deepest first.
    for (auto stored = wanted.rbegin(); stored != wanted.rend(); ++stored) {
        std::string why;
        fs::path relative = SafeRelativePath(stored->name, &why);
        if (!stored->entry && !relative.empty() &&
            NoLinkOnTheWay(fs::u8path(arguments.directory), relative)) {
            RestoreStamp(fs::u8path(arguments.directory) / relative, stored->header);
        }
    }
    if (kept != 0 && arguments.verbosity != Verbosity::kQuiet) {
        std::printf("%s existing %s\n", std::to_string(kept).c_str(),
                    kept == 1 ? "file kept as it was" : "files kept as they were");
    }
    return status;
}
