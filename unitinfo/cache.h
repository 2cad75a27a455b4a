// Every read of the record goes through its cached copy.
#pragma once

#include "unit_record.h"

// Copies the record file over the cached copy: the fill below and the
// refresh after a save. A copy that fails is removed rather than trusted,
// so that the next load fills again.
void refresh_cache();

// 1 when `path` can be opened for reading, else 0.
int file_exists(const char* path);

// Fills the cached copy from the boot partition when it cannot be opened,
// then reads it. 0 when a valid record was loaded into `record`.
int load_record(unit_record& record);
