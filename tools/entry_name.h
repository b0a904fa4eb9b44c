// The name of an archive entry as text: UTF-8 where the archive says so, or where it was made
// on a system that writes its names as they are (Unix, and the others but MS-DOS and Windows);
// the names that MS-DOS and Windows archivers write without the UTF-8 flag are in code page
// 437, as the ZIP rules have it, and are converted, so that an entry gets the same name on
// every system.
#pragma once

#include "vfs/listing.h"

#include <string>

std::string EntryName(const ZipFileHeader& header);
