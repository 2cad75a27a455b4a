// Saving the record to the boot partition, keeping the previous one.
#pragma once

#include "unit_record.h"

inline constexpr int save_mount_failed = 1;
inline constexpr int save_open_failed = 2;
inline constexpr int save_write_failed = 3;
// The previous whole record could not be kept aside: nothing was written.
inline constexpr int save_backup_failed = 4;

// Stamps `record` and makes it the record file, with the previous record
// kept as ".data.bak" when it was a whole one, and the cached copy
// refreshed. 0 when saved. A failure before the new record is in place
// leaves the record file with its previous content and the backup alone;
// one after it (the rename could not be made durable) keeps the backup and
// the copy in step with the new record and is still reported. Saves take
// turns on the partition's files through a lock on their directory, and
// write only onto the mounted boot partition.
int save_record(unit_record& record);
