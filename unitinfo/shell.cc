#include "shell.h"

#include <cstdio>
#include <cstdlib>

#include "commands.h"
#include "verbose.h"

bool format_command_line(const char* text, char (&line)[command_line_size]) {
  int n = std::snprintf(line, sizeof line, "%s%s", text, command_suffix);
  return n >= 0 && static_cast<std::size_t>(n) < sizeof line;
}

int run_command(const char* text) {
  char line[command_line_size];
  // A cut line could run a different command than the one asked for.
  if (!format_command_line(text, line))
    return -1;
  // Written as text, never as a format: the echo is the line itself.
  if (verbose)
    std::fputs(line, stdout);
  return std::system(line);
}

int mount_boot_partition() {
  run_command(unmount_command.c_str());
  int status = run_command(mount_command.c_str());
  if (status != 0)
    return status;
  run_command(make_info_dir_command.c_str());
  return 0;
}

void unmount_boot_partition() {
  run_command(unmount_command.c_str());
}
