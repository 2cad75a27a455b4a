// 164-byte unit identity record images, built, patched and read by the
// offsets of the stored format, for seeding an appliance, for comparing what
// the program wrote and for working out what it must make of any bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t record_length = 164;

// The magic and the format version field: what the reader checks, and the
// least it accepts.
inline constexpr std::size_t record_header_length = 20;

// What a valid header starts with; the rest of the format version field may
// hold anything.
inline constexpr std::string_view header_start("VASK1.0.0\0", 10);

// Where each field starts in the stored record.
inline constexpr std::size_t magic_at = 0;
inline constexpr std::size_t format_version_at = 4;
inline constexpr std::size_t serial_number_at = 20;
inline constexpr std::size_t model_name_at = 52;
inline constexpr std::size_t variant_at = 84;
inline constexpr std::size_t oem_id_at = 100;
inline constexpr std::size_t cf_batch_at = 116;
inline constexpr std::size_t config_version_at = 124;
inline constexpr std::size_t flags_at = 126;
inline constexpr std::size_t hardware_version_at = 128;
inline constexpr std::size_t reserved_at = 130;
inline constexpr std::size_t product_code_at = 140;

// How many bytes each text field spans; a text fills it or ends at a NUL.
inline constexpr std::size_t serial_number_width = 32;
inline constexpr std::size_t model_name_width = 32;
inline constexpr std::size_t variant_width = 16;
inline constexpr std::size_t oem_id_width = 16;
inline constexpr std::size_t cf_batch_width = 8;
inline constexpr std::size_t product_code_width = 24;

static_assert(serial_number_at + serial_number_width == model_name_at);
static_assert(model_name_at + model_name_width == variant_at);
static_assert(variant_at + variant_width == oem_id_at);
static_assert(oem_id_at + oem_id_width == cf_batch_at);
static_assert(cf_batch_at + cf_batch_width == config_version_at);
static_assert(product_code_at + product_code_width == record_length);
static_assert(header_start.size() <= record_header_length &&
              record_header_length == serial_number_at);

inline constexpr std::uint16_t lan_bypass_flag = 0x40;

struct record_fields {
  std::string serial_number;
  std::string model_name;
  std::string variant;
  std::string oem_id;
  std::string cf_batch;
  std::string product_code;
  std::uint16_t config_version = 1;
  std::uint16_t flags = 0;
  std::uint16_t hardware_version = 1;
};

// A valid header ("VASK", "1.0.0" and its NUL) and zero everywhere else.
std::string blank_image();

// A record as a writer leaves it when built from nothing: "VASK", "1.0.0"
// and its NUL, the fields at their offsets, every other byte zero.
std::string record_image(const record_fields& fields);

// Overwrites bytes of `image` from `offset` on with `bytes`.
void put_bytes(std::string& image, std::size_t offset, std::string_view bytes);

// `image` with `bytes` put at `offset`.
std::string with_bytes(std::string image, std::size_t offset, std::string_view bytes);

// Stores a little-endian 16-bit number at `offset`.
void put_u16(std::string& image, std::size_t offset, std::uint16_t value);

// Sets `count` bytes from `offset` on to zero.
void zero_bytes(std::string& image, std::size_t offset, std::size_t count);

// Text of `length` bytes: `prefix`, then repetitions of the alphabet.
std::string text_of_length(std::string_view prefix, std::size_t length);

// Reading an image of any length as the reader takes in a stored copy:
// bytes past its end read as zero, as they do in the record it loads.
unsigned char stored_byte(std::string_view image, std::size_t offset);

// The little-endian 16-bit number at `offset`.
std::uint16_t stored_u16(std::string_view image, std::size_t offset);

// The text of the field at `offset`: it runs to its NUL, or to the end of
// the field when it has none.
std::string stored_text(std::string_view image, std::size_t offset, std::size_t width);

// True when the reader takes `image` for a valid record: it holds a whole
// header, and that header starts with header_start.
bool has_valid_header(std::string_view image);
