// The 164-byte unit identity record, stored byte for byte in the record file,
// its backups and the cached copy.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

struct unit_record {
  char magic[4];            // "VASK", no terminator
  char format_version[16];  // "1.0.0" and its NUL; bytes 10-19 carried over
  char serial_number[32];
  char model_name[32];
  char variant[16];
  char oem_id[16];
  char cf_batch[8];
  std::uint16_t config_version;    // every writer stores 1
  std::uint16_t flags;             // only UNIT_FLAG_LAN_BYPASS has a meaning
  std::uint16_t hardware_version;  // a stored 0 reads as 1
  std::uint8_t reserved[10];
  char product_code[24];
};

inline constexpr std::size_t record_size = 164;
inline constexpr std::size_t record_header_size = 20;  // magic and format version
inline constexpr std::uint16_t UNIT_FLAG_LAN_BYPASS = 0x40;

// The stored image is the record in memory: little-endian, no padding.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(unit_record) == record_size);
static_assert(offsetof(unit_record, magic) == 0);
static_assert(offsetof(unit_record, format_version) == 4);
static_assert(offsetof(unit_record, serial_number) == 20);
static_assert(offsetof(unit_record, model_name) == 52);
static_assert(offsetof(unit_record, variant) == 84);
static_assert(offsetof(unit_record, oem_id) == 100);
static_assert(offsetof(unit_record, cf_batch) == 116);
static_assert(offsetof(unit_record, config_version) == 124);
static_assert(offsetof(unit_record, flags) == 126);
static_assert(offsetof(unit_record, hardware_version) == 128);
static_assert(offsetof(unit_record, reserved) == 130);
static_assert(offsetof(unit_record, product_code) == 140);

// The six text fields in the order in which the update overlays them.
enum text_field {
  field_serial_number,
  field_model_name,
  field_variant,
  field_oem_id,
  field_cf_batch,
  field_product_code,
  text_field_count
};

struct text_field_info {
  const char* label;   // how the too-long message names the field, not the report
  std::size_t offset;
  std::size_t width;   // holds at most width - 1 characters and a NUL
  std::size_t zeroed;  // bytes cleared before a new text is copied in
};

// The model name clears only its first 16 bytes before a new text goes in;
// stored records carry that, and the update keeps it.
inline constexpr std::array<text_field_info, text_field_count> text_fields = {{
    {"serial number", offsetof(unit_record, serial_number), 32, 32},
    {"model name", offsetof(unit_record, model_name), 32, 16},
    {"variant", offsetof(unit_record, variant), 16, 16},
    {"OEM ID", offsetof(unit_record, oem_id), 16, 16},
    {"CF batch", offsetof(unit_record, cf_batch), 8, 8},
    {"product code", offsetof(unit_record, product_code), 24, 24},
}};

// What the reader finds in a cached copy's bytes.
enum record_check { record_valid, record_too_short, record_bad_header };

// Checks the first `count` bytes of a stored image and loads them into
// `record`. Too short: `record` is untouched. Bad header: `record` holds the
// bytes read. Valid: `record` holds them with a stored hardware version of 0
// read as 1. Bytes past the 164th are ignored, missing ones read as zero.
record_check decode_record_image(const unsigned char* bytes, std::size_t count,
                                 unit_record& record);

// True when the first `count` bytes of a file hold a whole record that the
// reader accepts: all 164 bytes, with the magic and the version string. Only
// such a file may take the place of the backup.
bool is_whole_record(const unsigned char* bytes, std::size_t count);

// Puts the writer's magic, version string and config version into `record`.
void stamp_record(unit_record& record);
