#include "save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cache.h"
#include "commands.h"
#include "directory_lock.h"
#include "paths.h"
#include "regular_file.h"
#include "shell.h"
#include "verbose.h"

namespace {

enum write_outcome { written, open_failed, write_failed, written_not_synced };

// The first bytes of one of the save's files in ".info"; none when no
// regular file stands at its name.
struct file_head {
  unsigned char bytes[record_size] = {};
  std::size_t count = 0;
};

file_head read_head(const char* name) {
  file_head head;
  long count = read_regular_file(name, head.bytes, sizeof head.bytes);
  head.count = count > 0 ? static_cast<std::size_t>(count) : 0;
  return head;
}

bool is_whole(const file_head& head) {
  return is_whole_record(head.bytes, head.count);
}

// The save holds ".info" open and locked; while it does, a plain umount of
// the partition fails. But something else may have unmounted it after the
// mount step and before the directory was opened: "mkdir -p" then made
// ".info" beneath the mount point, and a record written there would never
// reach the boot partition. The ".info" held must be the one that the
// paths name, on another filesystem than the mount point's parent.
bool on_boot_partition(int info) {
  struct stat held, named, parent;
  return fstat(info, &held) == 0 && stat(info_dir.c_str(), &named) == 0 &&
         stat(mount_parent.c_str(), &parent) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino && held.st_dev != parent.st_dev;
}

// Copies the record file aside as ".data.ba1", which becomes the backup
// once the new record is in place. A whole record file must be kept: when
// the copy does not hold its very bytes (a failed or broken-off copy, a read
// error), the copy is removed and the save must not go on, or the previous
// record would be nowhere. A record file that is missing or not whole has
// nothing to keep, and the save goes on so that such a unit can be rebuilt;
// then only a whole record, say one a stale ".data.ba1" holds, may become
// the backup. False when the save must stop.
bool copy_aside() {
  // cp writes through a link and blocks on a FIFO at its target, and mv
  // moves into a directory named as its target.
  if (!clear_unless_regular(transient_backup_name.c_str()) ||
      !clear_unless_regular(backup_name.c_str()))
    return false;
  file_head previous = read_head(record_name.c_str());
  // A record file that is no regular file counts as missing: nothing is
  // copied from a link or a FIFO.
  if (!holds_non_regular_file(record_name.c_str()))
    run_command(copy_to_transient_backup.c_str());
  file_head copy = read_head(transient_backup_name.c_str());
  bool kept = is_whole(previous)
                  ? copy.count == record_size &&
                        std::memcmp(copy.bytes, previous.bytes, record_size) == 0
                  : is_whole(copy);
  if (!kept)
    unlink(transient_backup_name.c_str());
  return kept || !is_whole(previous);
}

// All 164 bytes out of the stream's buffer and on the disk.
bool write_out(std::FILE* stream, const unit_record& record) {
  return std::fwrite(&record, 1, sizeof record, stream) == sizeof record &&
         std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
}

// The new file keeps the permission bits of the record file it replaces.
bool keep_mode_of_record_file(int fd) {
  struct stat previous;
  if (lstat(record_name.c_str(), &previous) != 0 || !S_ISREG(previous.st_mode))
    return true;
  return fchmod(fd, previous.st_mode & 07777) == 0;
}

// The new record goes into a file of its own beside the record file and
// replaces it by rename only once it is whole on the disk, so that a full
// disk or a power cut never leaves a unit without its record. That file has
// one fixed name, so that a save killed part-way leaves at most one behind
// and the next save removes it. Just before the rename the cached copy goes:
// a run killed between the rename and the refresh must not leave the old
// copy to be shown, and overlaid and written back by the next save. `dir`
// is the record file's directory, synced after the rename. On any failure
// the temporary file is removed.
write_outcome replace_record_file(unit_record& record, int dir) {
  const char* temp = temp_record_name.c_str();
  unlink(temp);  // left by a save that was killed part-way
  int fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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
  if (!ok || !remove_cached_copy() || rename(temp, record_name.c_str()) != 0) {
    unlink(temp);
    return write_failed;
  }
  return fsync(dir) == 0 ? written : written_not_synced;
}

// The save's work on the mounted partition, in the ".info" that `dir`
// holds locked.
int save_on_partition(unit_record& record, int dir) {
  if (!copy_aside()) {
    verbose_line("cannot keep the old data file!");
    return save_backup_failed;
  }
  write_outcome outcome = replace_record_file(record, dir);
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

// The save names its files relative to the ".info" that it holds, made the
// current directory meanwhile: its own file calls then land in that very
// directory, whatever is mounted over the mount point later, without the
// *at calls that the appliance's C library may lack. The run's own directory
// is taken back before the unmount, which a current directory on the
// partition would hold up.
int save_in_held_directory(unit_record& record, int dir) {
  int home = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int status;
  if (fchdir(dir) != 0) {
    verbose_line("cannot open data file to write!");
    status = save_open_failed;
  } else {
    status = save_on_partition(record, dir);
  }
  if (home < 0 || fchdir(home) != 0) {
    int to_root = chdir("/");  // anywhere off the partition will do
    static_cast<void>(to_root);
  }
  if (home >= 0)
    close(home);
  return status;
}

// No ".info" could be had. When there is none, the copy aside finds none
// either and the save fails as a failed open does; a ".info" that is a link
// or no directory is not touched at all.
int save_without_info_dir(int open_error) {
  if (open_error == ENOENT)
    run_command(copy_to_transient_backup.c_str());
  verbose_line("cannot open data file to write!");
  return save_open_failed;
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
  int dir = lock_directory(info_dir.c_str(), refuse_link);
  int status;
  if (dir < 0) {
    status = save_without_info_dir(errno);
  } else if (!on_boot_partition(dir)) {
    // Nothing of this save is mounted there: it ends as a failed mount.
    unlock_directory(dir);
    return save_mount_failed;
  } else {
    status = save_in_held_directory(record, dir);
    unlock_directory(dir);
  }
  unmount_boot_partition();
  if (status == 0)
    verbose_line("data file saved.");
  return status;
}
