#include "record_bytes.h"

#include "unit_record.h"

// The offsets above are the tests' own reading of the stored format; the
// program's record must have the same size for the comparisons to mean
// anything.
static_assert(sizeof(unit_record) == record_length);

std::string blank_image() {
  std::string image(record_length, '\0');
  put_bytes(image, magic_at, "VASK");
  put_bytes(image, format_version_at, std::string_view("1.0.0\0", 6));
  return image;
}

std::string record_image(const record_fields& fields) {
  std::string image = blank_image();
  put_bytes(image, serial_number_at, fields.serial_number);
  put_bytes(image, model_name_at, fields.model_name);
  put_bytes(image, variant_at, fields.variant);
  put_bytes(image, oem_id_at, fields.oem_id);
  put_bytes(image, cf_batch_at, fields.cf_batch);
  put_u16(image, config_version_at, fields.config_version);
  put_u16(image, flags_at, fields.flags);
  put_u16(image, hardware_version_at, fields.hardware_version);
  put_bytes(image, product_code_at, fields.product_code);
  return image;
}

void put_bytes(std::string& image, std::size_t offset, std::string_view bytes) {
  if (image.size() < offset + bytes.size())
    image.resize(offset + bytes.size(), '\0');
  image.replace(offset, bytes.size(), bytes);
}

std::string with_bytes(std::string image, std::size_t offset, std::string_view bytes) {
  put_bytes(image, offset, bytes);
  return image;
}

void put_u16(std::string& image, std::size_t offset, std::uint16_t value) {
  const char bytes[2] = {static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
  put_bytes(image, offset, std::string_view(bytes, 2));
}

void zero_bytes(std::string& image, std::size_t offset, std::size_t count) {
  put_bytes(image, offset, std::string(count, '\0'));
}

std::string text_of_length(std::string_view prefix, std::size_t length) {
  std::string text(prefix.substr(0, length));
  for (std::size_t i = 0; text.size() < length; ++i)
    text += static_cast<char>('a' + i % 26);
  return text;
}

unsigned char stored_byte(std::string_view image, std::size_t offset) {
  return offset < image.size() ? static_cast<unsigned char>(image[offset]) : 0;
}

std::uint16_t stored_u16(std::string_view image, std::size_t offset) {
  return static_cast<std::uint16_t>(stored_byte(image, offset) |
                                    stored_byte(image, offset + 1) << 8);
}

std::string stored_text(std::string_view image, std::size_t offset, std::size_t width) {
  std::string text;
  for (std::size_t i = 0; i < width && stored_byte(image, offset + i) != 0; ++i)
    text += static_cast<char>(stored_byte(image, offset + i));
  return text;
}

bool has_valid_header(std::string_view image) {
  return image.size() >= record_header_length && image.starts_with(header_start);
}
