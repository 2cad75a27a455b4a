// Any bytes as the cached copy: the decoder must sort them as the reader
// does, and a valid record must give its ten labelled report lines, each
// text no longer than its field, without a byte read outside the record.
//
// The expected outcome is worked out from the raw bytes alone, by the tests'
// own reading of the format (record_bytes.h) and their one expected report
// (report_oracle.h), not from the decoded record, so that the decoder is
// checked as well as the report.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "record_bytes.h"
#include "report.h"
#include "report_oracle.h"
#include "stream_capture.h"
#include "unit_record.h"

namespace {

void require(bool ok) {
  if (!ok)
    __builtin_trap();
}

constexpr unsigned char untouched = 0xA5;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view image(reinterpret_cast<const char*>(data), size);

  // A heap block of exactly the record's size, so that any read or write
  // past it is an error that AddressSanitizer reports.
  auto record = std::make_unique<unit_record>();
  std::memset(record.get(), untouched, sizeof(unit_record));
  record_check check = decode_record_image(data, size, *record);
  const auto* held = reinterpret_cast<const unsigned char*>(record.get());

  if (size < record_header_length) {
    require(check == record_too_short);
    for (std::size_t i = 0; i < record_length; ++i)
      require(held[i] == untouched);
    return 0;
  }
  require(check == (has_valid_header(image) ? record_valid : record_bad_header));

  // Either way the record holds the bytes read, zero beyond them; only a
  // valid record has a stored hardware version 0 read as 1.
  for (std::size_t i = 0; i < record_length; ++i) {
    bool hardware_version_low = i == hardware_version_at && check == record_valid &&
                                stored_u16(image, hardware_version_at) == 0;
    require(held[i] == (hardware_version_low ? 1 : stored_byte(image, i)));
  }
  if (check != record_valid)
    return 0;

  std::string report = written_by([&](std::FILE* out) { write_report(out, *record); });
  require(report == expected_report(image));
  require(report.back() == '\n');
  return 0;
}
