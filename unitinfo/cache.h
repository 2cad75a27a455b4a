// Every read of the record goes through its cached copy.
#pragma once

#include "unit_record.h"

// 1 when `path` can be opened for reading, else 0.
int file_exists(const char* path);

// Fills the cached copy from the boot partition when it cannot be opened,
// then reads it. 0 when a valid record was loaded into `record`.
int load_record(unit_record& record);
