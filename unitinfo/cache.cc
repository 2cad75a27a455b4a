#include "cache.h"

#include <unistd.h>

#include <cstdio>

#include "commands.h"
#include "paths.h"
#include "record_reader.h"
#include "shell.h"

void refresh_cache() {
  // An empty or partial file from a copy that failed would hide a valid
  // record file until the next save.
  if (run_command(copy_record_to_cache.c_str()) != 0)
    unlink(cache_path.c_str());
}

int file_exists(const char* path) {
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr)
    return 0;
  std::fclose(file);
  return 1;
}

int load_record(unit_record& record) {
  // Only a copy that cannot be opened is filled: an invalid one that no
  // failed copy made stays until a save overwrites it. The fill goes on
  // whatever the mount step said.
  if (!file_exists(cache_path.c_str())) {
    mount_boot_partition();
    refresh_cache();
    unmount_boot_partition();
  }
  return read_record_cache(record);
}
