#include "cache.h"

#include <unistd.h>

#include <cerrno>

#include "commands.h"
#include "paths.h"
#include "record_reader.h"
#include "regular_file.h"
#include "shell.h"

namespace {

// Whether a load can read the cached copy as it stands: a link, a FIFO or
// any other file that is not a regular one counts as none.
bool cached_copy_opens() {
  int fd = open_regular_file(cache_path.c_str());
  if (fd < 0)
    return false;
  close(fd);
  return true;
}

}  // namespace

void refresh_cache() {
  // cp reads through a link and blocks on a FIFO at its source, and writes
  // through a link at its target: a record file that is no regular file
  // counts as missing, and whatever else stands at the copy's path goes
  // first. An empty or partial file from a copy that failed would hide a
  // valid record file until the next save.
  bool copied = !holds_non_regular_file(record_path.c_str()) &&
                clear_unless_regular(cache_path.c_str()) &&
                run_command(copy_record_to_cache.c_str()) == 0;
  if (!copied)
    remove_cached_copy();
}

bool remove_cached_copy() {
  // A directory there is no copy that a load could read.
  return unlink(cache_path.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR ||
         errno == EISDIR;
}

int load_record(unit_record& record) {
  // Only a copy that cannot be opened is filled: an invalid one that no
  // failed copy made stays until a save overwrites it. The fill goes on
  // whatever the mount step said.
  if (!cached_copy_opens()) {
    mount_boot_partition();
    refresh_cache();
    unmount_boot_partition();
  }
  return read_record_cache(record);
}
