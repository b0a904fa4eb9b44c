// extract: writes the entries that the game would read as files under a folder, refusing every
// name that would land outside it and never replacing a file unless asked to.
#include "tools/entry_check.h"
#include "tools/entry_text.h"
#include "tools/vfs_tool.h"
#include "vfs/listing.h"
#include "vfs/vfile.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

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

// Windows opens a device, not a file, for these names, whatever their extension.
bool DeviceName(const std::string& part) {
    std::string stem = part.substr(0, part.find('.'));
    for (char& c : stem) {
        c = char(std::toupper(static_cast<unsigned char>(c)));
    }
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") {
        return true;
    }
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// The stored name as a path relative to the target folder, or empty with `*why` told when it
// would leave the folder: absolute names, drive letters and other colons, "..".
fs::path SafeRelativePath(const std::string& name, std::string* why) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') {
        *why = "an absolute name";
        return {};
    }
    if (name.find(':') != std::string::npos) {
        *why = "a drive letter or stream name (':')";
        return {};
    }
    fs::path path;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        if (part == "..") {
            *why = "a '..' component";
            return {};
        }
        if (DeviceName(part)) {
            *why = "a Windows device name";
            return {};
        }
        if (!part.empty() && part != ".") {
            path /= part;
        }
        start = end == std::string::npos ? name.size() + 1 : end + 1;
    }
    if (path.empty()) {
        *why = "no file name";
    }
    return path;
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

// Writes one entry (a folder for a null entry); an empty text, else the problem.
std::string WriteEntry(const fs::path& target, PackEntry* entry, bool force) {
    std::error_code error;
    if (!entry) {
        fs::create_directories(target, error);
        return error ? "cannot create folder: " + error.message() : "";
    }
    if (fs::exists(fs::symlink_status(target, error)) && !force) {
        return "exists; not replaced (use -f to replace)";
    }
    fs::create_directories(target.parent_path(), error);
    FILE* in = vfopenentry(entry);
    FILE* out = std::fopen(target.string().c_str(), "wb");
    std::string problem = !in ? "cannot be opened" : !out ? "cannot be written" : "";
    if (problem.empty()) {
        problem = CopyCheckedFile(in, out);
    }
    if (out && std::fclose(out) != 0 && problem.empty()) {
        problem = "cannot be written";
    }
    if (in) {
        vfclose(in);
    }
    return problem;
}

} // namespace

int Extract(const std::vector<std::string>& archives, const VerbArguments& arguments) {
    Catalogue catalogue;
    for (const std::string& archive : archives) {
        MountResult result = vflistarchive(archive.c_str(), AddToCatalogue, &catalogue);
        if (result != kMountOk) {
            Complain(archive + ": " + MountResultText(result));
            return kExitProblem;
        }
    }
    int status = kExitOk;
    // What the game reads: the indexed entry of each name, or the named ones.
    std::vector<std::pair<std::string, PackEntry*>> wanted;
    if (arguments.operands.empty()) {
        for (const auto& item : catalogue.entries) {
            if (!item.second || vflookup(item.second->name) == item.second) {
                wanted.push_back(item);
            }
        }
    }
    for (const std::string& name : arguments.operands) {
        PackEntry* entry = vflookup(name.c_str());
        if (!entry) {
            Complain(name + ": not in the mounted archives");
            status = kExitProblem;
            continue;
        }
        wanted.emplace_back(catalogue.storedNames[entry], entry);
    }
    fs::path root = fs::u8path(arguments.directory);
    for (const auto& [name, entry] : wanted) {
        std::string why, shown = PrintableName(name.data(), name.size());
        fs::path relative = SafeRelativePath(name, &why);
        if (relative.empty()) {
            Complain(shown + ": refused: " + why);
            status = kExitProblem;
            continue;
        }
        if (!NoLinkOnTheWay(root, relative)) {
            Complain(shown + ": refused: a link on the way");
            status = kExitProblem;
            continue;
        }
        std::string problem = WriteEntry(root / relative, entry, arguments.force);
        if (!problem.empty()) {
            Complain(shown + ": " + problem);
            status = kExitProblem;
        } else if (entry) {
            fs::path shown = arguments.directory == "." ? relative : root / relative;
            std::printf("%s\n", shown.generic_u8string().c_str());
        }
    }
    return std::fflush(stdout) == 0 ? status : kExitProblem;
}
