// Which file a path names, as the system tells files apart (device and inode, or volume and
// file index), so that two spellings of one file, or a link to it, are found to be the same.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

struct FileIdentity {
    uint64_t volume = 0, index = 0;
    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
};

// The file that `path` names under the system's own rules, links followed, without opening it
// for reading (a pipe is not waited on); none when it does not exist or cannot be told.
std::optional<FileIdentity> IdentityOfPath(const char* path);
// The file behind an open stream.
std::optional<FileIdentity> IdentityOfStream(FILE* stream);
