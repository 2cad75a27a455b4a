// Overlaying the values given on the command line onto the record.
#pragma once

#include <array>
#include <cstdint>

#include "unit_record.h"

// The hardware version that stands for none given.
inline constexpr std::uint16_t HARDWARE_VERSION_NOT_GIVEN = 65535;

enum lan_bypass_mode { lan_bypass_none = 0, lan_bypass_set = 1, lan_bypass_clear = 2 };

// The values one run was given, as they travel from the parser to the
// overlay. A text is null when absent and is indexed by text_field.
struct field_values {
  std::array<const char*, text_field_count> text{};
  std::uint16_t hardware_version = HARDWARE_VERSION_NOT_GIVEN;
  int lan_bypass_choice = lan_bypass_none;
};

// True when no field and no LAN-bypass choice is to be set.
bool nothing_to_set(const field_values& values);

// True when every field and a LAN-bypass choice is given, enough to build a
// record from nothing.
bool everything_given(const field_values& values);

// The first text field whose value is longer than the field holds, or -1.
int overlong_field(const field_values& values);

// Overlays `values` onto `record`: each given text clears its field's span
// and goes in with its NUL; no byte outside its field is ever written.
void overlay_fields(unit_record& record, const field_values& values);

// Starts from the record loaded again through the cache (`reread` non-zero)
// or from an all-zero one, overlays the values and saves. 0 when saved; 1
// when the re-read failed; otherwise the save's non-zero status.
int update_record(int reread, const field_values& values);
