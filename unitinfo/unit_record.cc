#include "unit_record.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char record_magic[4] = {'V', 'A', 'S', 'K'};
constexpr char record_version[6] = "1.0.0";  // with its NUL

}  // namespace

record_check decode_record_image(const unsigned char* bytes, std::size_t count,
                                 unit_record& record) {
  if (count < record_header_size)
    return record_too_short;
  std::memset(&record, 0, sizeof record);
  std::memcpy(&record, bytes, std::min(count, record_size));
  if (std::memcmp(record.magic, record_magic, sizeof record_magic) != 0 ||
      std::memcmp(record.format_version, record_version, sizeof record_version) != 0)
    return record_bad_header;
  if (record.hardware_version == 0)
    record.hardware_version = 1;
  return record_valid;
}

bool is_whole_record(const unsigned char* bytes, std::size_t count) {
  unit_record record;
  return count >= record_size && decode_record_image(bytes, count, record) == record_valid;
}

void stamp_record(unit_record& record) {
  std::memcpy(record.magic, record_magic, sizeof record_magic);
  std::memcpy(record.format_version, record_version, sizeof record_version);
  record.config_version = 1;
}
