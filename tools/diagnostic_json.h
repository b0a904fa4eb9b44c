// Diagnostics for editors and scripts: one JSON document.
#pragma once

#include "tools/diagnostic.h"

#include <cstdio>

// `notShown`: diagnostics left out past the cap.
void WriteDiagnosticsJson(FILE* out, const std::vector<Diagnostic>& diagnostics, long notShown);
