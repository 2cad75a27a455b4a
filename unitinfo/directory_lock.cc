#include "directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

int lock_directory(const char* path) {
  int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

void unlock_directory(int lock) {
  if (lock >= 0)
    close(lock);
}
