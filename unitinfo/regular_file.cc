#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int open_regular_file(const char* path) {
  int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return -1;
  // The type of what was opened, not of what the name held a moment ago.
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

long read_regular_file(const char* path, unsigned char* buffer, std::size_t size) {
  int fd = open_regular_file(path);
  if (fd < 0)
    return -1;
  std::FILE* file = fdopen(fd, "r");
  if (file == nullptr) {
    close(fd);
    return -1;
  }
  std::size_t count = std::fread(buffer, 1, size, file);
  std::fclose(file);
  return static_cast<long>(count);
}

bool holds_non_regular_file(const char* path) {
  struct stat info;
  return lstat(path, &info) == 0 && !S_ISREG(info.st_mode);
}

bool clear_unless_regular(const char* path) {
  struct stat info;
  if (lstat(path, &info) != 0)
    return errno == ENOENT;
  return S_ISREG(info.st_mode) || unlink(path) == 0;
}
