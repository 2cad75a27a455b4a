#include "run_lock.h"

#include "directory_lock.h"
#include "paths.h"

int take_run_lock() {
  return lock_directory(run_lock_dir.c_str(), follow_link);
}

void release_run_lock(int lock) {
  unlock_directory(lock);
}
