// Changes to the archive index, for the mount side. Inside the file layer only.
#pragma once

#include "vfs/internal/pack.h"

// Indexes those of the archive's entries whose names are not indexed yet (nor earlier in the
// same archive): the first one of a name wins. False, with the index unchanged, when they
// would not all fit.
bool IndexArchiveEntries(PackArchive* archive);
// Takes every entry of the archive out of the index.
void UnindexArchiveEntries(const PackArchive* archive);
