// The text report of the unit identity record.
#pragma once

#include <cstdio>

#include "unit_record.h"

// Writes the ten report lines of a loaded record to `out`.
void write_report(std::FILE* out, const unit_record& record);

// Loads the record through the cache and prints its report, or the line
// "invalid data file!". 0 when the report was printed, else 1.
int show_record();
