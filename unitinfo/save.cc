#include "save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "cache.h"
#include "commands.h"
#include "directory_lock.h"
#include "paths.h"
#include "shell.h"
#include "verbose.h"

namespace {

enum write_outcome { written, open_failed, write_failed, written_not_synced };

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

// The new file keeps the permission bits of the record file it replaces.
bool keep_mode_of_record_file(int fd) {
  struct stat previous;
  return stat(record_path.c_str(), &previous) != 0 ||
         fchmod(fd, previous.st_mode & 07777) == 0;
}

// The new record goes into a file of its own beside the record file and
// replaces it by rename only once it is whole on the disk, so that a full
// disk or a power cut never leaves a unit without its record. That file has
// one fixed name, so that a save killed part-way leaves at most one behind
// and the next save removes it. `dir` is the record file's directory, synced
// after the rename. On any failure the temporary file is removed.
write_outcome replace_record_file(unit_record& record, int dir) {
  const char* temp = temp_record_path.c_str();
  unlink(temp);  // left by a save that was killed part-way
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
  bool ok = keep_mode_of_record_file(fd) && write_out(stream, record);
  ok = std::fclose(stream) == 0 && ok;
  if (!ok || rename(temp, record_path.c_str()) != 0) {
    unlink(temp);
    return write_failed;
  }
  return fsync(dir) == 0 ? written : written_not_synced;
}

// The save's work on the mounted partition. `lock` holds the record file's
// directory, or is -1 when it could not be locked: the save then writes
// nothing, since another could be writing the same temporary file.
int save_on_partition(unit_record& record, int lock) {
  run_command(copy_to_transient_backup.c_str());
  remove_partial_transient_backup();

  write_outcome outcome = lock < 0 ? open_failed : replace_record_file(record, lock);
  if (outcome == open_failed) {
    verbose_line("cannot open data file to write!");
    return save_open_failed;
  }
  if (outcome == write_failed) {
    verbose_line("cannot write data file!");
    return save_write_failed;
  }
  // The new record is in place: keep the previous one and refresh the copy,
  // even when the rename could not be made durable.
  run_command(move_to_backup.c_str());
  verbose_line("old data file saved with .bak extension");
  refresh_cache();
  if (outcome == written_not_synced) {
    verbose_line("cannot sync data directory!");
    return save_write_failed;
  }
  return 0;
}

}  // namespace

int save_record(unit_record& record) {
  if (mount_boot_partition() != 0)
    return save_mount_failed;
  // Saves take turns on the partition's files, from the copy aside to the
  // refresh, also where the run lock could not be taken: the temporary file
  // has one name, and a move to the backup must never take a copy aside that
  // another save is still writing. The lock is let go before the unmount,
  // which its open directory would hold up.
  int lock = lock_directory(info_dir.c_str());
  int status = save_on_partition(record, lock);
  unlock_directory(lock);
  unmount_boot_partition();
  if (status == 0)
    verbose_line("data file saved.");
  return status;
}
