// Writing a file in place of another without ever leaving it half-written: the content goes to a
// new temporary beside the target, which takes the target's name only once it is complete, so a
// failure at any point leaves whatever had that name as it was.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

class ReplacementFile {
public:
    // Creates the temporary in the folder of `target`: a new file, never one reached through a
    // link.
    explicit ReplacementFile(const std::filesystem::path& target);
    // Removes the temporary unless Commit put it in place.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // The stream to write the content to; null when the temporary could not be made.
    FILE* File() const { return file_; }
    // Closes the temporary and gives it the target's name: in place of an existing file of that
    // name when `replace`, else only while no file has that name. A file that replaces
    // another reaches the disk first, so that a crash cannot leave an empty file where a whole one
    // was. False when a write, the close or the renaming failed; the temporary is then removed.
    bool Commit(bool replace);
    // Why the temporary could not be made or put in place, with the system's reason.
    const std::string& Error() const { return error_; }

private:
    bool TargetExists() const;

    std::filesystem::path target_, temporary_;
    FILE* file_ = nullptr;
    std::unique_ptr<char[]> writeBuffer_; // the stream's, until it is closed
    bool committed_ = false;
    std::string error_;
};
