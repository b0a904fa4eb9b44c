// The working-directory step for an executable whose path the ANSI code page cannot hold.
#pragma once

// Makes the executable's folder the working directory through its wide (UTF-16) path, unless
// `ansiPath`, its path as GetModuleFileNameA gave it, names it exactly. Returns false when the
// ANSI path is exact and is to be used as it is; true when the wide path was taken, whether or
// not entering it succeeded (a failure is reported to the debugger output).
bool EnterExecutableDirectoryByWidePath(const char* ansiPath);
