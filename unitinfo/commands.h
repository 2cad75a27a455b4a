// Every shell command text of the program, built from the fixed paths.
#pragma once

#include "paths.h"
#include "shell.h"

inline constexpr auto unmount_command = "umount " + mount_point;
inline constexpr auto mount_command = "mount " + mount_point;
inline constexpr auto make_info_dir_command = "mkdir -p " + info_dir;

// The copy aside keeps its own redirection, two blanks before it; the mv
// keeps its own as well. run_command adds its ending to both.
inline constexpr auto copy_to_transient_backup =
    "cp -f " + record_path + " " + transient_backup_path + "  > /dev/null";
inline constexpr auto move_to_backup =
    "mv " + transient_backup_path + " " + backup_path + " > /dev/null";

// The fill of the cached copy and its refresh after a save.
inline constexpr auto copy_record_to_cache = "cp -f " + record_path + " " + cache_path;

// run_command refuses a text that its line buffer cannot hold whole.
template <std::size_t N>
constexpr bool fits_command_line(const fixed_text<N>& text) {
  return text.length() + sizeof command_suffix <= command_line_size;
}
static_assert(fits_command_line(unmount_command) && fits_command_line(mount_command) &&
              fits_command_line(make_info_dir_command) &&
              fits_command_line(copy_to_transient_backup) && fits_command_line(move_to_backup) &&
              fits_command_line(copy_record_to_cache));
