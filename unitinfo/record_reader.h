// Reading the cached copy of the record.
#pragma once

#include "unit_record.h"

// Loads the record from the cached copy into `record`. 0 when it holds a
// valid record, 1 otherwise; under `verbose` each failure says why.
int read_record_cache(unit_record& record);
