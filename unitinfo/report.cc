#include "report.h"

#include <cstring>

#include "cache.h"

namespace {

// A field's text ends at its NUL or, in a damaged record, at the field's
// last byte: the report never reads into the next field.
template <std::size_t width>
int text_length(const char (&field)[width]) {
  return static_cast<int>(strnlen(field, width));
}

}  // namespace

void write_report(std::FILE* out, const unit_record& r) {
  std::fprintf(out, "magic header    : %c%c%c%c\n", r.magic[0], r.magic[1], r.magic[2], r.magic[3]);
  std::fprintf(out, "config version  : %u\n", unsigned{r.config_version});
  std::fprintf(out, "serial number   : %.*s\n", text_length(r.serial_number), r.serial_number);
  std::fprintf(out, "model name      : %.*s\n", text_length(r.model_name), r.model_name);
  std::fprintf(out, "variant         : %.*s\n", text_length(r.variant), r.variant);
  std::fprintf(out, "OEM ID          : %.*s\n", text_length(r.oem_id), r.oem_id);
  std::fprintf(out, "CF batch        : %.*s\n", text_length(r.cf_batch), r.cf_batch);
  std::fprintf(out, "hardware version: %u\n", unsigned{r.hardware_version});
  std::fprintf(out, "Has LAN bypass  : %s\n", (r.flags & UNIT_FLAG_LAN_BYPASS) ? "yes" : "no");
  std::fprintf(out, "Product code\t: %.*s\n", text_length(r.product_code), r.product_code);
}

int show_record() {
  unit_record record{};
  if (load_record(record) != 0) {
    std::puts("invalid data file!");
    return 1;
  }
  write_report(stdout, record);
  return 0;
}
