// Shell command lines, and the mount and unmount of the boot partition.
#pragma once

#include <cstddef>

inline constexpr std::size_t command_line_size = 1032;
inline constexpr char command_suffix[] = " > /dev/null 2>&1 \n";

// Forms the line that the shell receives for `text` into `line`: the text
// and the redirection of both outputs to /dev/null. Returns false when the
// line does not fit; nothing is then to be run.
bool format_command_line(const char* text, char (&line)[command_line_size]);

// Echoes the command line under `verbose`, runs it through the shell and
// returns the status that system() gives, undecoded. A text too long for the
// line buffer is not run at all and gives -1.
int run_command(const char* text);

// Unmounts, mounts the boot partition and, after a mount with status 0,
// creates its ".info" directory. Returns 0, or the mount line's status.
int mount_boot_partition();

void unmount_boot_partition();
