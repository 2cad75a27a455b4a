// 164-byte unit identity record images, built and patched by the offsets of
// the stored format, for seeding an appliance and for comparing what the
// program wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::size_t record_length = 164;

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
