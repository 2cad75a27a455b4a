// The ten report lines for a record that a test describes by its fields.
#pragma once

#include <string>

#include "record_bytes.h"

// The report of a valid record holding `fields`, each text no longer than
// its field: the one expected report (report_oracle.h) of the image that
// record_image makes of them. A stored hardware version of 0 is shown as 1.
std::string report_text(const record_fields& fields);
