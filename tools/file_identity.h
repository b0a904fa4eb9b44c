// Which file a path or an open stream leads to, whatever spelling or link reached it: two
// names are one file when their identities are equal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>

struct FileIdentity {
    uint64_t volume = 0; // the device, or the volume's serial number on Windows
    uint64_t index = 0;  // the inode, or the file index on Windows

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
};

// False when the file cannot be reached. A link is followed.
bool IdentityOf(const std::filesystem::path& path, FileIdentity* identity);
bool IdentityOf(FILE* stream, FileIdentity* identity);
