// Whether diagnostics on standard error are coloured: --color=auto|always|never.
#pragma once

enum class ColourChoice { kAuto, kAlways, kNever };

// Auto colours a terminal, unless NO_COLOR is set to a word or TERM is "dumb". Where colour is
// wanted on a Windows console, its reading of ANSI sequences is turned on.
bool ColourWanted(ColourChoice choice);
