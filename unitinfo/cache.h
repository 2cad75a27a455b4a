// Every read of the record goes through its cached copy.
#pragma once

#include "unit_record.h"

// The one command that copies the record file over the cached copy: the
// fill below and the refresh after a save.
inline constexpr char copy_record_to_cache[] =
    "cp -f /mnt/bootloader/.info/.data /var/run/tesra/.cf_data";

// 1 when `path` can be opened for reading, else 0.
int file_exists(const char* path);

// Fills the cached copy from the boot partition when it cannot be opened,
// then reads it. 0 when a valid record was loaded into `record`.
int load_record(unit_record& record);
