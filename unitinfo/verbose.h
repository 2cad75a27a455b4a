// The one process-wide switch for diagnostic lines and command echoes.
#pragma once

extern int verbose;

// Prints `text` as one line on standard output when `verbose` is on.
void verbose_line(const char* text);
