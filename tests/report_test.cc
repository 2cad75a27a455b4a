#include "report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "example_unit.h"
#include "record_bytes.h"
#include "stream_capture.h"

namespace {

std::string report_of(const std::string& image) {
  unit_record record;
  std::memcpy(&record, image.data(), sizeof record);
  return written_by([&](std::FILE* out) { write_report(out, record); });
}

TEST(WriteReport, ExampleRecord) { EXPECT_EQ(report_of(example_record), example_report); }

TEST(WriteReport, EmptyFieldsAndLargestNumbers) {
  std::string image = blank_image();
  put_u16(image, 124, 65535);
  put_u16(image, 126, static_cast<std::uint16_t>(~0x40u));  // every bit but LAN bypass
  put_u16(image, 128, 65535);
  EXPECT_EQ(report_of((image)),
            "magic header    : VASK\n"
            "config version  : 65535\n"
            "serial number   : \n"
            "model name      : \n"
            "variant         : \n"
            "OEM ID          : \n"
            "CF batch        : \n"
            "hardware version: 65535\n"
            "Has LAN bypass  : no\n"
            "Product code\t: \n");
}

// Fields that fill their whole width, without a NUL, show that width and no
// byte of the field after them.
TEST(WriteReport, FieldsWithoutTerminatorStayWithinTheirWidth) {
  std::string image = blank_image();
  put_bytes(image, 20, std::string(32, 'S'));
  put_bytes(image, 52, std::string(32, 'M'));
  put_bytes(image, 84, std::string(16, 'V'));
  put_bytes(image, 100, std::string(16, 'O'));
  put_bytes(image, 116, std::string(8, 'C'));
  put_u16(image, 124, 0x4141);
  put_u16(image, 128, 7);
  put_bytes(image, 140, std::string(24, 'P'));
  EXPECT_EQ(report_of((image)),
            "magic header    : VASK\n"
            "config version  : 16705\n"
            "serial number   : " + std::string(32, 'S') + "\n"
            "model name      : " + std::string(32, 'M') + "\n"
            "variant         : " + std::string(16, 'V') + "\n"
            "OEM ID          : " + std::string(16, 'O') + "\n"
            "CF batch        : " + std::string(8, 'C') + "\n"
            "hardware version: 7\n"
            "Has LAN bypass  : no\n"
            "Product code\t: " + std::string(24, 'P') + "\n");
}

TEST(WriteReport, BypassFlagIsBit0x40Alone) {
  for (std::uint16_t flags : {std::uint16_t{0x0040}, std::uint16_t{0xffff}}) {
    std::string image = blank_image();
    put_u16(image, 126, flags);
    EXPECT_NE(report_of((image)).find("Has LAN bypass  : yes\n"), std::string::npos)
        << flags;
  }
}

}  // namespace
