// What extract gives back of an archive entry besides its content: the time it records and,
// where the archive was made on Unix and the system keeps one, the executable bit.
#pragma once

#include "vfs/listing.h"

#include <filesystem>
#include <string>

// Sets the written file's modification time from the entry's MS-DOS time (local time, as zip
// writes it) and, where the header holds a Unix mode that lets its owner run the file, lets
// whoever may read the file run it. Empty, else what could not be set with the system's reason.
std::string RestoreStamp(const std::filesystem::path& file, const ZipFileHeader& header);
