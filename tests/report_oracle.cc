#include "report_oracle.h"

#include <cstdint>

#include "record_bytes.h"

std::string expected_report(std::string_view image) {
  std::uint16_t hardware_version = stored_u16(image, hardware_version_at);
  bool lan_bypass = (stored_u16(image, flags_at) & lan_bypass_flag) != 0;
  std::string out;
  // Only a record whose header starts with the magic is valid.
  out += "magic header    : VASK\n";
  out += "config version  : " + std::to_string(stored_u16(image, config_version_at)) + "\n";
  out += "serial number   : " + stored_text(image, serial_number_at, serial_number_width) + "\n";
  out += "model name      : " + stored_text(image, model_name_at, model_name_width) + "\n";
  out += "variant         : " + stored_text(image, variant_at, variant_width) + "\n";
  out += "OEM ID          : " + stored_text(image, oem_id_at, oem_id_width) + "\n";
  out += "CF batch        : " + stored_text(image, cf_batch_at, cf_batch_width) + "\n";
  out += "hardware version: " + std::to_string(hardware_version == 0 ? 1 : hardware_version) + "\n";
  out += std::string("Has LAN bypass  : ") + (lan_bypass ? "yes" : "no") + "\n";
  out += "Product code\t: " + stored_text(image, product_code_at, product_code_width) + "\n";
  return out;
}
