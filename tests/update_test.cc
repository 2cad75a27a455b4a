#include "update.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "example_unit.h"
#include "record_bytes.h"

namespace {

std::string overlay(std::string image, const field_values& values) {
  unit_record record;
  std::memcpy(&record, image.data(), sizeof record);
  overlay_fields(record, values);
  return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

TEST(OverlayFields, NothingGivenChangesNothing) {
  std::string image(record_length, '\x77');
  EXPECT_EQ(overlay(image, field_values{}), image);
}

// Every field but the model name is cleared across its whole width; the
// model name only across its first 16 bytes.
TEST(OverlayFields, EachTextClearsItsSpan) {
  std::string image(record_length, '\x77');
  field_values v;
  v.text[field_serial_number] = "AB";
  v.text[field_model_name] = "CD";
  v.text[field_variant] = "";
  v.text[field_oem_id] = "EF";
  v.text[field_cf_batch] = "1234567";
  v.text[field_product_code] = "GH";
  std::string expected = image;
  put_bytes(expected, serial_number_at, std::string("AB") + std::string(30, '\0'));
  // The model name's last 16 bytes are kept.
  put_bytes(expected, model_name_at, std::string("CD") + std::string(14, '\0'));
  put_bytes(expected, variant_at, std::string(16, '\0'));
  put_bytes(expected, oem_id_at, std::string("EF") + std::string(14, '\0'));
  put_bytes(expected, cf_batch_at, std::string("1234567") + '\0');
  put_bytes(expected, product_code_at, std::string("GH") + std::string(22, '\0'));
  EXPECT_EQ(overlay(image, v), expected);
}

TEST(OverlayFields, LongModelNameRunsPastTheClearedSpan) {
  std::string image(record_length, '\x77');
  field_values v;
  std::string name(31, 'm');
  v.text[field_model_name] = name.c_str();
  std::string expected = image;
  put_bytes(expected, model_name_at, name + '\0');
  EXPECT_EQ(overlay(image, v), expected);
}

TEST(OverlayFields, OverlongTextNeverLeavesItsField) {
  std::string image(record_length, '\x77');
  field_values v;
  std::string long_text(100, 'z');
  for (std::size_t i = 0; i < text_field_count; ++i)
    v.text[i] = long_text.c_str();
  std::string result = overlay(image, v);
  for (const text_field_info& f : text_fields) {
    put_bytes(image, f.offset, std::string(f.width - 1, 'z') + '\0');
  }
  EXPECT_EQ(result, image);
}

TEST(OverlayFields, HardwareVersionAndBypassBit) {
  struct Case {
    std::uint16_t hardware_version;
    int choice;
    std::uint16_t flags_before, flags_after, version_after;
  };
  const Case cases[] = {
      {HARDWARE_VERSION_NOT_GIVEN, lan_bypass_none, 0xffff, 0xffff, 9},
      {0, lan_bypass_set, 0x0001, 0x0041, 0},
      {12, lan_bypass_clear, 0xffff, 0xffbf, 12},
      {12, lan_bypass_set, 0x0040, 0x0040, 12},
      {12, lan_bypass_clear, 0x0000, 0x0000, 12},
      {12, 7, 0x1234, 0x1234, 12},  // no known choice acts as none
  };
  for (const Case& c : cases) {
    std::string image = blank_image();
    put_u16(image, flags_at, c.flags_before);
    put_u16(image, hardware_version_at, 9);
    field_values v;
    v.hardware_version = c.hardware_version;
    v.lan_bypass_choice = c.choice;
    std::string expected = image;
    put_u16(expected, flags_at, c.flags_after);
    put_u16(expected, hardware_version_at, c.version_after);
    EXPECT_EQ(overlay(image, v), expected) << c.hardware_version << " " << c.choice;
  }
}

}  // namespace
