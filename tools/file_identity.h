// Which file a path names, as the system tells files apart (device and inode, or volume and
// file index), so that two spellings of one file, or a link to it, are found to be the same.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>

struct FileIdentity {
    uint64_t volume = 0; // the device, or the volume's serial number on Windows
    uint64_t index = 0;  // the inode, or the file index on Windows
    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
};

// The file that `path` names, links followed, without opening it for reading (a pipe is not
// waited on); none when it does not exist or cannot be told.
std::optional<FileIdentity> IdentityOfPath(const std::filesystem::path& path);
// The file behind an open stream.
std::optional<FileIdentity> IdentityOfStream(FILE* stream);
