// pack: files and folders into a new archive that the file layer reads back, sorted by name,
// with a fixed time on request so that the same files always give the same bytes.
#include "tools/progress.h"
#include "tools/replace_file.h"
#include "tools/vfs_tool.h"
#include "tools/zip_writer.h"
#include "vfs/file_name.h"
#include "vfs/zip_format.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <map>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Folders deeper than this are refused rather than walked.
const int kMaxDepth = 64;

// An empty folder's name, which ends with a slash as its directory entry's does.
bool IsFolder(const std::string& name) {
    return !name.empty() && name.back() == '/';
}

// "YYYY-MM-DD HH:MM:SS" (or with a T) as an MS-DOS time; false when it is not one.
bool ParseDate(const std::string& text, zip::DosTime* dos) {
    zip::CalendarTime t;
    char separator, rest;
    if (std::sscanf(text.c_str(), "%4u-%2u-%2u%c%2u:%2u:%2u%c", &t.year, &t.month, &t.day,
                    &separator, &t.hour, &t.minute, &t.second, &rest) != 7 ||
        (separator != ' ' && separator != 'T') || t.year < zip::kFirstDosYear ||
        t.year > zip::kLastDosYear || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
        t.hour > 23 || t.minute > 59 || t.second > 59) {
        return false;
    }
    *dos = zip::ToDosTime(t);
    return true;
}

// A time in local time, as zip records it; 1980-01-01 where it is earlier than DOS times go.
zip::DosTime DosTimeOf(time_t seconds) {
    const std::tm* local = std::localtime(&seconds);
    unsigned year = local ? unsigned(local->tm_year + 1900) : 0;
    if (year < zip::kFirstDosYear || year > zip::kLastDosYear) {
        return zip::ToDosTime({zip::kFirstDosYear, 1, 1, 0, 0, 0});
    }
    return zip::ToDosTime({year, unsigned(local->tm_mon + 1), unsigned(local->tm_mday),
                           unsigned(local->tm_hour), unsigned(local->tm_min),
                           unsigned(local->tm_sec)});
}

// Opens a file by its Unicode name, which on Windows the narrow API cannot spell.
FILE* OpenToRead(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

// What an entry records of a file besides its content.
struct FileFacts {
    zip::DosTime time;
    bool executable;
};

// The file's modification time in local time, as zip records it (1980-01-01 where the file
// is older or its time cannot be told), and whether its owner may run it.
FileFacts FactsOf(const fs::path& path) {
#ifdef _WIN32
    struct _stat64 status;
    if (_wstat64(path.c_str(), &status) != 0) {
#else
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
#endif
        return {zip::ToDosTime({zip::kFirstDosYear, 1, 1, 0, 0, 0}), false};
    }
#ifndef _WIN32
    bool executable = (status.st_mode & S_IXUSR) != 0 && S_ISREG(status.st_mode);
#else
    bool executable = false; // Windows keeps no such bit; it guesses one from the name
#endif
    return {DosTimeOf(status.st_mtime), executable};
}

// False, with the problem told, when two of the paths given would take the same name.
bool AddFile(const std::string& name, const fs::path& path,
             std::map<std::string, fs::path>* files) {
    auto [other, added] = files->emplace(name, path);
    if (!added) {
        Complain(other->second.u8string() + " and " + path.u8string() + " would both be " + name);
    }
    return added;
}

// Adds the files under the folder `root`, named relative to it; false with the problem told.
bool CollectFolder(const std::string& given, const fs::path& root,
                   std::map<std::string, fs::path>* files) {
    std::error_code error;
    // Links are followed, to files and folders alike, as zip does; a loop of them ends at the
    // depth limit.
    fs::recursive_directory_iterator walk(root, fs::directory_options::follow_directory_symlink,
                                          error),
        end;
    for (; !error && walk != end; walk.increment(error)) {
        if (walk.depth() >= kMaxDepth) {
            Complain(walk->path().u8string() + ": folders nested too deep");
            return false;
        }
        std::string name = walk->path().lexically_relative(root).generic_u8string();
        if (walk->is_directory(error)) {
            // An empty folder is kept as a directory entry; the others are implied by their files.
            if (fs::is_empty(walk->path(), error) && !error &&
                !AddFile(name + "/", walk->path(), files)) {
                return false;
            }
            continue;
        }
        if (!walk->is_regular_file(error)) {
            Complain(walk->path().u8string() + ": not a regular file");
            return false;
        }
        if (!AddFile(name, walk->path(), files)) {
            return false;
        }
    }
    if (error) {
        Complain(given + ": cannot be read (" + error.message() + ")");
        return false;
    }
    return true;
}

// Adds the file given, or the files under the folder given; false with the problem told.
bool CollectPath(const std::string& given, std::map<std::string, fs::path>* files) {
    fs::path root = fs::u8path(given);
    std::error_code error;
    fs::file_status status = fs::status(root, error);
    if (fs::is_regular_file(status)) {
        return AddFile(root.filename().u8string(), root, files);
    }
    if (!fs::is_directory(status)) {
        Complain(given +
                 (error ? ": cannot be read (" + error.message() + ")" : ": not a file or folder"));
        return false;
    }
    return CollectFolder(given, root, files);
}

// The files to pack by archive name; false with the problem told.
bool Collect(const std::vector<std::string>& paths, std::map<std::string, fs::path>* files) {
    for (const std::string& given : paths) {
        if (!CollectPath(given, files)) {
            return false;
        }
    }
    return true;
}

// False, with the problem told, when the layer would not find every name as it was packed:
// a backslash would turn into a folder, and names that differ only in case are one name.
bool NamesReadBack(const std::map<std::string, fs::path>& files) {
    std::map<std::string, std::string> normalised;
    for (const auto& item : files) {
        const std::string& name = item.first;
        if (IsFolder(name)) {
            continue; // not indexed
        }
        if (name.find('\\') != std::string::npos) {
            Complain(name + ": a backslash in a name reads back as a folder");
            return false;
        }
        std::string key = FileName(name.c_str(), NameForm::kIndexed).c_str();
        auto [other, added] = normalised.emplace(key, name);
        if (!added) {
            Complain(other->second + " and " + name + " would be one name in the archive index");
            return false;
        }
    }
    return true;
}

// Adds one file, or an empty folder, to the archive; false with the problem told.
bool PackFile(ZipWriter* writer, const std::string& name, const fs::path& path,
              const zip::DosTime* fixedTime, const std::string& archive) {
    FileFacts facts = FactsOf(path);
    zip::DosTime time = fixedTime ? *fixedTime : facts.time;
    std::string problem;
    if (IsFolder(name)) {
        if (writer->AddFolder(name, time, &problem) == ZipFault::kNone) {
            return true;
        }
        Complain(archive + ": " + name + ": " + problem);
        return false;
    }
    std::error_code error;
    uint64_t size = fs::file_size(path, error);
    FILE* in = error ? nullptr : OpenToRead(path);
    if (!in) {
        Complain(path.u8string() + ": cannot be opened (" +
                 (error ? error.message() : std::strerror(errno)) + ")");
        return false;
    }
    ZipFault fault = writer->Add(name, in, size, time, facts.executable, &problem);
    std::fclose(in);
    if (fault == ZipFault::kFile) {
        Complain(path.u8string() + ": " + problem);
    } else if (fault == ZipFault::kArchive) {
        Complain(archive + ": " + name + ": " + problem);
    }
    return fault == ZipFault::kNone;
}

bool WriteArchive(FILE* out, const std::map<std::string, fs::path>& files,
                  const VerbArguments& arguments, const zip::DosTime* fixedTime) {
    ZipWriter writer(out, arguments.level);
    Progress progress("pack", arguments.verbosity != Verbosity::kQuiet);
    for (const auto& [name, path] : files) {
        if (!PackFile(&writer, name, path, fixedTime, arguments.operands[0])) {
            return false;
        }
        std::error_code error;
        uintmax_t size = IsFolder(name) ? 0 : fs::file_size(path, error);
        progress.FileDone(error ? 0 : size);
    }
    progress.Clear();
    std::string problem;
    if (!writer.Finish(&problem)) {
        Complain(arguments.operands[0] + ": " + problem);
        return false;
    }
    return true;
}

// False, with the problem told, where an archive of that name is there and may not be
// replaced; where it may, the files to pack lose the archive itself.
bool MayReplace(const std::string& archive, bool force, std::map<std::string, fs::path>* files) {
    std::error_code error;
    fs::file_status existing = fs::symlink_status(fs::u8path(archive), error);
    if (!fs::exists(existing)) {
        return true;
    }
    // A link, a device or a FIFO is not an archive to replace, nor to write through.
    if (!fs::is_regular_file(existing)) {
        Complain(archive + ": not a regular file; not replaced");
        return false;
    }
    if (!force) {
        Complain(archive + ": exists; not replaced (use -f to replace)");
        return false;
    }
    // An archive replaced inside a folder that it packs is not packed into itself.
    for (auto file = files->begin(); file != files->end();) {
        file = fs::equivalent(file->second, fs::u8path(archive), error) ? files->erase(file)
                                                                        : std::next(file);
    }
    return true;
}

} // namespace

int Pack(const VerbArguments& arguments) {
    zip::DosTime fixedTime;
    if (!arguments.date.empty() && !ParseDate(arguments.date, &fixedTime)) {
        return UsageError("--date wants 'YYYY-MM-DD HH:MM:SS' between 1980 and 2107, not '" +
                          arguments.date + "'");
    }
    const std::string& archive = arguments.operands[0];
    std::map<std::string, fs::path> files; // sorted by name, byte by byte
    if (!Collect({arguments.operands.begin() + 1, arguments.operands.end()}, &files) ||
        !NamesReadBack(files)) {
        return kExitProblem;
    }
    if (files.size() > kZipMaxFiles) {
        Complain(archive + ": " + std::to_string(files.size()) + " files; an archive holds " +
                 std::to_string(kZipMaxFiles) + " at the most");
        return kExitProblem;
    }
    if (!MayReplace(archive, arguments.force, &files)) {
        return kExitProblem;
    }
    // Written beside the archive and renamed over it once whole: a failure leaves it as it was.
    ReplacementFile out(fs::u8path(archive));
    if (!out.File() ||
        !WriteArchive(out.File(), files, arguments,
                      arguments.date.empty() ? nullptr : &fixedTime) ||
        !out.Commit(true)) {
        if (!out.Error().empty()) {
            Complain(archive + ": " + out.Error());
        }
        return kExitProblem;
    }
    if (arguments.verbosity == Verbosity::kQuiet) {
        return kExitOk;
    }
    size_t folders = size_t(std::count_if(files.begin(), files.end(),
                                          [](const auto& item) { return IsFolder(item.first); }));
    size_t plain = files.size() - folders;
    std::string packed = std::to_string(plain) + (plain == 1 ? " file" : " files");
    if (folders != 0) {
        packed +=
            ", " + std::to_string(folders) + (folders == 1 ? " empty folder" : " empty folders");
    }
    std::printf("%s: %s packed\n", archive.c_str(), packed.c_str());
    return kExitOk;
}
