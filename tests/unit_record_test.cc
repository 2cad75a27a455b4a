#include "unit_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "example_unit.h"
#include "record_bytes.h"

namespace {

std::string bytes_of(const unit_record& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

record_check decode(const std::string& image, unit_record& record) {
  return decode_record_image(reinterpret_cast<const unsigned char*>(image.data()), image.size(),
                             record);
}

TEST(DecodeRecordImage, HeaderDecidesValidity) {
  struct Case {
    const char* name;
    std::string header;  // the whole header, nothing after it
    record_check expected;
  };
  auto header = [](std::string_view magic_and_version) {
    std::string h(record_header_length, '\0');
    put_bytes(h, magic_at, magic_and_version);
    return h;
  };
  std::string junk_after_version = header("VASK1.0.0");
  put_bytes(junk_after_version, header_start.size(), "0123456789");
  const Case cases[] = {
      {"plain", header("VASK1.0.0"), record_valid},
      {"any bytes after the version's NUL", junk_after_version, record_valid},
      {"lower-case magic", header("vask1.0.0"), record_bad_header},
      {"last magic byte", header("VASL1.0.0"), record_bad_header},
      {"first magic byte", header("WASK1.0.0"), record_bad_header},
      {"sixth version character", header("VASK1.0.00"), record_bad_header},
      {"longer version", header("VASK1.0.0.1"), record_bad_header},
      {"shorter version", header("VASK1.0"), record_bad_header},
      {"other version", header("VASK1.0.1"), record_bad_header},
  };
  for (const Case& c : cases) {
    unit_record record;
    EXPECT_EQ(decode(c.header, record), c.expected) << c.name;
  }
}

TEST(DecodeRecordImage, TooShortLeavesRecordUntouched) {
  for (std::size_t size : {std::size_t{0}, record_header_length - 1}) {
    unit_record record;
    std::memset(&record, 0xA5, sizeof record);
    std::string before = bytes_of(record);
    EXPECT_EQ(decode(blank_image().substr(0, size), record), record_too_short) << size;
    EXPECT_EQ(bytes_of(record), before) << size;
  }
}

TEST(DecodeRecordImage, ShortImageReadsAsZeroBeyondItsEnd) {
  std::string header_only = blank_image().substr(0, record_header_length);
  unit_record record;
  std::memset(&record, 0xA5, sizeof record);
  ASSERT_EQ(decode(header_only, record), record_valid);
  std::string expected = blank_image();
  put_u16(expected, hardware_version_at, 1);  // a stored hardware version of 0 reads as 1
  EXPECT_EQ(bytes_of(record), expected);
}

TEST(DecodeRecordImage, OnlyTheFirst164BytesCount) {
  std::string image = example_record;
  std::string long_file = image + std::string(50000, 'x');
  unit_record record;
  ASSERT_EQ(decode(long_file, record), record_valid);
  EXPECT_EQ(bytes_of(record), image);
}

TEST(DecodeRecordImage, BadHeaderLeavesTheBytesRead) {
  std::string image = example_record;
  image[0] = 'X';
  unit_record record;
  std::memset(&record, 0xA5, sizeof record);
  const std::size_t read_length = 100;
  ASSERT_EQ(decode(image.substr(0, read_length), record), record_bad_header);
  EXPECT_EQ(bytes_of(record),
            image.substr(0, read_length) + std::string(record_length - read_length, '\0'));
}

TEST(DecodeRecordImage, HardwareVersionZeroReadsAsOneOthersAsStored) {
  for (std::uint16_t stored : {std::uint16_t{0}, std::uint16_t{1}, std::uint16_t{65535}}) {
    std::string image = blank_image();
    put_u16(image, hardware_version_at, stored);
    unit_record record;
    ASSERT_EQ(decode(image, record), record_valid);
    EXPECT_EQ(record.hardware_version, stored == 0 ? 1 : stored);
  }
}

TEST(IsWholeRecord, AllOf164BytesWithAValidHeader) {
  struct Case {
    const char* name;
    std::string bytes;
    bool expected;
  };
  const Case cases[] = {
      {"a whole record", example_record, true},
      {"a header and zeros", blank_image(), true},
      {"a longer file", example_record + "more", true},
      {"empty", "", false},
      {"one byte short", example_record.substr(0, record_length - 1), false},
      {"a header alone, which the reader accepts",
       example_record.substr(0, record_header_length), false},
      {"bad magic", with_bytes(example_record, magic_at, "XASK"), false},
      {"bad version", with_bytes(example_record, format_version_at, "1.0.1"), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(is_whole_record(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                              c.bytes.size()),
              c.expected)
        << c.name;
}

TEST(StampRecord, SetsMagicVersionAndConfigVersionOnly) {
  std::string image(record_length, '\x5a');
  unit_record record;
  std::memcpy(&record, image.data(), sizeof record);
  stamp_record(record);
  put_bytes(image, magic_at, header_start);
  put_u16(image, config_version_at, 1);
  EXPECT_EQ(bytes_of(record), image);
}

}  // namespace
