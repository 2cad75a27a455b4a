#include "directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

int lock_directory(const char* path, directory_link link) {
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (link == refuse_link ? O_NOFOLLOW : 0);
  int fd = open(path, flags);
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
