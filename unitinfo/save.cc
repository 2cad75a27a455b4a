#include "save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "cache.h"
#include "commands.h"
#include "paths.h"
#include "shell.h"
#include "verbose.h"

namespace {

enum write_outcome { written, open_failed, write_failed, written_not_synced };

int sync_directory(const char* path) {
  int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return -1;
  int status = fsync(fd);
  close(fd);
  return status;
}

// The copy aside may have failed or broken off part-way (a full partition,
// a read error), or a stale file from an earlier save may be there instead:
// whatever is not a whole record is removed, so that the rename after the
// write finds nothing and the backup stays as it was.
void remove_partial_transient_backup() {
  unsigned char bytes[record_size] = {};
  std::size_t count = 0;
  if (std::FILE* file = std::fopen(transient_backup_path.c_str(), "rb")) {
    count = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
  }
  if (!is_whole_record(bytes, count))
    unlink(transient_backup_path.c_str());
}

// All 164 bytes out of the stream's buffer and on the disk.
bool write_out(std::FILE* stream, const unit_record& record) {
  return std::fwrite(&record, 1, sizeof record, stream) == sizeof record &&
         std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
}

// The new record goes into a file of its own beside the record file and
// replaces it by rename only once it is whole on the disk, so that a full
// disk or a power cut never leaves a unit without its record.
write_outcome replace_record_file(unit_record& record) {
  char temp[64];
  std::snprintf(temp, sizeof temp, "%s.new.%ld", record_path.c_str(), static_cast<long>(getpid()));
  unlink(temp);  // only an earlier process with this id can have left it
  int fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0)
    return open_failed;
  std::FILE* stream = fdopen(fd, "wb");
  if (stream == nullptr) {
    close(fd);
    unlink(temp);
    return open_failed;
  }
  stamp_record(record);
  struct stat previous;
  bool ok = (stat(record_path.c_str(), &previous) != 0 || fchmod(fd, previous.st_mode & 07777) == 0) &&
            write_out(stream, record);
  ok = std::fclose(stream) == 0 && ok;
  if (!ok || rename(temp, record_path.c_str()) != 0) {
    unlink(temp);
    return write_failed;
  }
  return sync_directory(info_dir.c_str()) == 0 ? written : written_not_synced;
}

}  // namespace

int save_record(unit_record& record) {
  if (mount_boot_partition() != 0)
    return save_mount_failed;
  run_command(copy_to_transient_backup.c_str());
  remove_partial_transient_backup();

  int status = 0;
  write_outcome outcome = replace_record_file(record);
  if (outcome == open_failed) {
    verbose_line("cannot open data file to write!");
    status = save_open_failed;
  } else if (outcome == write_failed) {
    verbose_line("cannot write data file!");
    status = save_write_failed;
  } else {
    // The new record is in place: keep the previous one and refresh the copy,
    // even when the rename could not be made durable.
    run_command(move_to_backup.c_str());
    verbose_line("old data file saved with .bak extension");
    refresh_cache();
    if (outcome == written_not_synced) {
      verbose_line("cannot sync data directory!");
      status = save_write_failed;
    }
  }
  unmount_boot_partition();
  if (status == 0)
    verbose_line("data file saved.");
  return status;
}
