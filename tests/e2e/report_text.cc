#include "report_text.h"

std::string report_text(const record_fields& fields) {
  unsigned hardware_version = fields.hardware_version == 0 ? 1u : fields.hardware_version;
  std::string out;
  out += "magic header    : VASK\n";
  out += "config version  : " + std::to_string(fields.config_version) + "\n";
  out += "serial number   : " + fields.serial_number + "\n";
  out += "model name      : " + fields.model_name + "\n";
  out += "variant         : " + fields.variant + "\n";
  out += "OEM ID          : " + fields.oem_id + "\n";
  out += "CF batch        : " + fields.cf_batch + "\n";
  out += "hardware version: " + std::to_string(hardware_version) + "\n";
  out += "Has LAN bypass  : ";
  out += (fields.flags & lan_bypass_flag) != 0 ? "yes\n" : "no\n";
  out += "Product code\t: " + fields.product_code + "\n";
  return out;
}
