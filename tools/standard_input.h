// Standard input read whole, in binary, with a bound on how much a tool takes of it.
#pragma once

#include <cstddef>
#include <string>

// Reads standard input into `bytes` until its end or until `most` bytes are in; a caller that
// must tell a longer input from one of its limit asks for one byte more than it accepts.
// Returns "" when read, else why not: "cannot be read (REASON)", or "too large for the memory
// at hand".
std::string ReadStandardInput(std::size_t most, std::string* bytes);
