// A file written under a temporary name beside its target and renamed over the target only
// once it is whole: a failure at any point leaves the target as it was. The temporary is
// always a new file (never an existing file or link), and the only file ever removed.
#pragma once

#include <cstdio>
#include <string>

// (Not ReplaceFile: windows.h makes that name a macro.)
class ReplacementFile {
public:
    explicit ReplacementFile(std::string target) : target_(std::move(target)) {}
    ~ReplacementFile(); // removes the temporary unless committed
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary; false with `*problem` told.
    bool Open(std::string* problem);
    // The temporary, open for binary writing and seeking.
    FILE* file() const { return file_; }
    // Flushes the temporary to the disk, closes it and renames it over the target; false with
    // `*problem` told, the temporary then removed.
    bool Commit(std::string* problem);

private:
    void Discard();

    std::string target_, temporary_;
    FILE* file_ = nullptr;
};
