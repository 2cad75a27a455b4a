// Any bytes as the cached copy: the decoder must sort them as the reader
// does, and a valid record must give its ten labelled report lines, each
// text no longer than its field, without a byte read outside the record.
//
// The expected outcome is worked out here from the raw bytes alone, not from
// the decoded record, so that the decoder is checked as well as the report.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "report.h"
#include "stream_capture.h"
#include "unit_record.h"

namespace {

void require(bool ok) {
  if (!ok)
    __builtin_trap();
}

class image {
 public:
  image(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // Bytes past the end of the copy read as zero, as they do in the record.
  unsigned char byte(std::size_t offset) const { return offset < size_ ? data_[offset] : 0; }

  unsigned number(std::size_t offset) const {
    return unsigned{byte(offset)} | unsigned{byte(offset + 1)} << 8;
  }

  // A text runs to its NUL, or to the end of its field when it has none.
  std::string text(std::size_t offset, std::size_t width) const {
    std::string out;
    for (std::size_t i = 0; i < width && byte(offset + i) != 0; ++i)
      out += static_cast<char>(byte(offset + i));
    return out;
  }

  bool has_header() const {
    static constexpr unsigned char header[10] = {'V', 'A', 'S', 'K', '1', '.', '0', '.', '0', 0};
    return size_ >= record_header_size && std::memcmp(data_, header, sizeof header) == 0;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// The report of a valid image. A text is printed byte for byte, so a value
// may itself hold a line feed: the ten lines are told apart by their labels,
// which is why the whole text is compared rather than split on line ends.
std::string expected_report(const image& in) {
  unsigned hardware_version = in.number(128) == 0 ? 1 : in.number(128);
  std::string out;
  out += "magic header    : VASK\n";
  out += "config version  : " + std::to_string(in.number(124)) + "\n";
  out += "serial number   : " + in.text(20, 32) + "\n";
  out += "model name      : " + in.text(52, 32) + "\n";
  out += "variant         : " + in.text(84, 16) + "\n";
  out += "OEM ID          : " + in.text(100, 16) + "\n";
  out += "CF batch        : " + in.text(116, 8) + "\n";
  out += "hardware version: " + std::to_string(hardware_version) + "\n";
  out += std::string("Has LAN bypass  : ") + ((in.number(126) & 0x40) != 0 ? "yes" : "no") + "\n";
  out += "Product code\t: " + in.text(140, 24) + "\n";
  return out;
}

constexpr unsigned char untouched = 0xA5;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const image in(data, size);

  // A heap block of exactly the record's size, so that any read or write
  // past it is an error that AddressSanitizer reports.
  auto record = std::make_unique<unit_record>();
  std::memset(record.get(), untouched, sizeof(unit_record));
  record_check check = decode_record_image(data, size, *record);
  const auto* held = reinterpret_cast<const unsigned char*>(record.get());

  if (size < record_header_size) {
    require(check == record_too_short);
    for (std::size_t i = 0; i < record_size; ++i)
      require(held[i] == untouched);
    return 0;
  }
  require(check == (in.has_header() ? record_valid : record_bad_header));

  // Either way the record holds the bytes read, zero beyond them; only a
  // valid record has a stored hardware version 0 read as 1.
  for (std::size_t i = 0; i < record_size; ++i) {
    bool hardware_version_low = i == 128 && check == record_valid && in.number(128) == 0;
    require(held[i] == (hardware_version_low ? 1 : in.byte(i)));
  }
  if (check != record_valid)
    return 0;

  std::string report = written_by([&](std::FILE* out) { write_report(out, *record); });
  require(report == expected_report(in));
  require(report.back() == '\n');
  return 0;
}
