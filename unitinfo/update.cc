#include "update.h"

#include <cstring>

#include "cache.h"
#include "save.h"

bool nothing_to_set(const field_values& values) {
  for (const char* text : values.text)
    if (text != nullptr)
      return false;
  return values.hardware_version == HARDWARE_VERSION_NOT_GIVEN &&
         values.lan_bypass_choice == lan_bypass_none;
}

bool everything_given(const field_values& values) {
  for (const char* text : values.text)
    if (text == nullptr)
      return false;
  return values.hardware_version != HARDWARE_VERSION_NOT_GIVEN &&
         (values.lan_bypass_choice == lan_bypass_set ||
          values.lan_bypass_choice == lan_bypass_clear);
}

int overlong_field(const field_values& values) {
  for (std::size_t i = 0; i < text_field_count; ++i)
    if (values.text[i] != nullptr &&
        strnlen(values.text[i], text_fields[i].width) == text_fields[i].width)
      return static_cast<int>(i);
  return -1;
}

void overlay_fields(unit_record& record, const field_values& values) {
  auto* bytes = reinterpret_cast<unsigned char*>(&record);
  for (std::size_t i = 0; i < text_field_count; ++i) {
    const char* text = values.text[i];
    if (text == nullptr)
      continue;
    const text_field_info& field = text_fields[i];
    std::size_t length = strnlen(text, field.width - 1);
    std::memset(bytes + field.offset, 0, field.zeroed);
    std::memcpy(bytes + field.offset, text, length);
    bytes[field.offset + length] = 0;
  }
  if (values.hardware_version != HARDWARE_VERSION_NOT_GIVEN)
    record.hardware_version = values.hardware_version;
  if (values.lan_bypass_choice == lan_bypass_set)
    record.flags = static_cast<std::uint16_t>(record.flags | UNIT_FLAG_LAN_BYPASS);
  else if (values.lan_bypass_choice == lan_bypass_clear)
    record.flags = static_cast<std::uint16_t>(record.flags & ~UNIT_FLAG_LAN_BYPASS);
}

int update_record(int reread, const field_values& values) {
  unit_record record{};
  if (reread && load_record(record) != 0)
    return 1;
  overlay_fields(record, values);
  return save_record(record);
}
