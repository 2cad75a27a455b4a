// Overlaying the values given on the command line onto the record.
#pragma once

#include <cstdint>

#include "unit_record.h"

// The given texts (null when absent), indexed by text_field, a hardware
// version (HARDWARE_VERSION_NOT_GIVEN for none) and a LAN-bypass choice.
struct field_values {
  const char* text[text_field_count];
  std::uint16_t hardware_version;
  int lan_bypass_choice;
};

// Overlays `values` onto `record`: each given text clears its field's span
// and goes in with its NUL; no byte outside its field is ever written.
void overlay_fields(unit_record& record, const field_values& values);

// Starts from the record loaded again through the cache (`reread` non-zero)
// or from an all-zero one, overlays the values and saves. 0 when saved; 1
// when the re-read failed; otherwise the save's non-zero status.
int update_record(int reread, const char* serial_number, const char* model_name,
                  const char* variant, const char* oem_id, const char* cf_batch,
                  std::uint16_t hardware_version, int lan_bypass_choice,
                  const char* product_code);
