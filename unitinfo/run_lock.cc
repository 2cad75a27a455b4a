#include "run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "paths.h"

int take_run_lock() {
  // The directory itself is locked, so that no lock file is left behind.
  int fd = open(cache_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return -1;
  int status;
  while ((status = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (status != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void release_run_lock(int lock) {
  if (lock >= 0)
    close(lock);
}
