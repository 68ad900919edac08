// Oniguruma glue for the regex facility's own sources. Oniguruma's header clashes with the
// C library's <regex.h> (both define struct re_registers), so only .cpp files include this.
#pragma once

#include <oniguruma.h>

#include "text/reg_options.h"

namespace corvane {

// Initialises Oniguruma and its three encodings once per process; safe from any thread.
void InitializeRegEngine();

OnigEncoding OnigEncodingOf(RegEncoding encoding);

// Byte length of the character that starts at `p` (at least 1, never past `end`).
int RegCharLength(RegEncoding encoding, const char* p, const char* end);

}  // namespace corvane
