// Every read of the record goes through its cached copy.
#pragma once

#include "unit_record.h"

// Copies the record file over the cached copy: the fill below and the
// refresh after a save. A copy that fails is removed rather than trusted,
// so that the next load fills again.
void refresh_cache();

// Removes the cached copy. True when none is left, or what is left is no
// file that a load could read.
bool remove_cached_copy();

// Fills the cached copy from the boot partition when it cannot be opened,
// then reads it. 0 when a valid record was loaded into `record`.
int load_record(unit_record& record);
