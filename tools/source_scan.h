// Small readings of a configuration file's text that a diagnostic needs beyond the parse: how
// long a value or name written at a place is, how many arguments a call gives, what a call's
// declaration would look like, and whether a block comment is left open. Each reads at most to
// the end of the text.
#pragma once

#include <cstdint>
#include <string>

// Just after the value or name that starts at `at`: a quoted string up to its closing quote
// (on its line), a word or number with its sign, else one byte; `at` at the end of the text.
uint32_t ValueEnd(const unsigned char* bytes, uint32_t size, uint32_t at);

// The letters, digits and underscores from `at` on.
uint32_t WordLength(const unsigned char* bytes, uint32_t size, uint32_t at);

// The arguments after the ',' at `comma` up to the call's ')', each a value or a name: -1 when
// no ')' closes them on the line.
int ArgumentsAfter(const unsigned char* bytes, uint32_t size, uint32_t comma);

// The declaration that a call of `name` at `at` would need, "!name(s, i)", from the kinds of
// the values it gives; "" when one of them is no literal or the call is not whole on its line.
std::string DeclarationFor(const unsigned char* bytes, uint32_t size, uint32_t at,
                           const std::string& name);

// Where a "/*" that no "*/" closes starts, skipping strings and line comments as the parser
// does; -1 when every comment is closed.
int64_t UnclosedCommentAt(const unsigned char* bytes, uint32_t size);
