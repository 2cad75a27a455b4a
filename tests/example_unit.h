// The unit most tests start from, and its report as the program prints it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "record_bytes.h"

inline record_fields example_fields() {
  return {.serial_number = "U17B2C93",
          .model_name = "AX-220",
          .variant = "basic",
          .oem_id = "OEM7",
          .cf_batch = "B0713",
          .product_code = "PC-AX220-B",
          .config_version = 1,
          .flags = lan_bypass_flag,
          .hardware_version = 2};
}

inline const std::string example_record = record_image(example_fields());

inline constexpr char example_report[] =
    "magic header    : VASK\n"
    "config version  : 1\n"
    "serial number   : U17B2C93\n"
    "model name      : AX-220\n"
    "variant         : basic\n"
    "OEM ID          : OEM7\n"
    "CF batch        : B0713\n"
    "hardware version: 2\n"
    "Has LAN bypass  : yes\n"
    "Product code\t: PC-AX220-B\n";

// Another unit, for a record file that must not be what is shown.
inline const std::string other_record = record_image({.serial_number = "OTHER-0001",
                                                      .model_name = "ZX-9",
                                                      .variant = "pro",
                                                      .oem_id = "OEM2",
                                                      .cf_batch = "C0101",
                                                      .product_code = "PC-ZX9",
                                                      .config_version = 1,
                                                      .flags = 0,
                                                      .hardware_version = 5});

// Two-letter texts in every field, for records built from nothing.
inline record_fields short_fields(std::uint16_t hardware_version, std::uint16_t flags) {
  return {.serial_number = "SN",
          .model_name = "MD",
          .variant = "VA",
          .oem_id = "OE",
          .cf_batch = "CF",
          .product_code = "PC",
          .config_version = 1,
          .flags = flags,
          .hardware_version = hardware_version};
}

// The options that give every text field of `fields` (-s -m -v -o -w -p).
inline std::vector<std::string> text_field_args(const record_fields& fields) {
  return {"-s", fields.serial_number, "-m", fields.model_name, "-v", fields.variant,
          "-o", fields.oem_id,        "-w", fields.cf_batch,   "-p", fields.product_code};
}

// The options that give every field of `fields`, the LAN-bypass choice
// included, after `first`.
inline std::vector<std::string> every_field_args(const record_fields& fields,
                                                 std::vector<std::string> first = {}) {
  std::vector<std::string> args = std::move(first);
  for (const std::string& a : text_field_args(fields)) args.push_back(a);
  args.push_back("-x");
  args.push_back(std::to_string(fields.hardware_version));
  args.push_back((fields.flags & lan_bypass_flag) ? "-B" : "-b");
  return args;
}
