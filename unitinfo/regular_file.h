// The program's own files are used only when they are regular files: it
// runs as root, so a link planted at one of their names must never lead a
// read or a copy elsewhere, and a FIFO there must never hold a run up.
//
// The calls take paths, not a directory descriptor and a name: the
// appliance's C library may be older than the *at calls.
#pragma once

#include <cstddef>

// Opens `path` for reading without following a link at its last component
// or blocking on a FIFO. The descriptor when it is a regular file, else -1.
int open_regular_file(const char* path);

// Reads at most `size` bytes from the start of the regular file `path`.
// The count read, or -1 when `path` is not a regular file that opens.
long read_regular_file(const char* path, unsigned char* buffer, std::size_t size);

// True when something other than a regular file stands at `path`: a link,
// a FIFO, a directory. Such a file counts as missing, and nothing of the
// program's copies from or to it.
bool holds_non_regular_file(const char* path);

// Makes way for a copy to `path`: removes whatever stands there unless it
// is a regular file. False when something that is not one is left.
bool clear_unless_regular(const char* path);
