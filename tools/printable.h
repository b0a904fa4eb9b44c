// Text that a tool prints on a terminal: names and lines come from files and archives that
// anyone may have made, and a control byte among them could move the cursor, clear the screen
// or set the window's title.
#pragma once

#include <string>

// `text` with its C0 control bytes and DEL shown as '?'; tabs kept when asked, so that a caret
// under a source line still lines up. UTF-8 passes as it is.
std::string Printable(std::string text, bool keepTabs = false);
