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
  put_u16(image, config_version_at, 65535);
  put_u16(image, flags_at, static_cast<std::uint16_t>(~0x40u));  // every bit but LAN bypass
  put_u16(image, hardware_version_at, 65535);
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
  put_bytes(image, serial_number_at, std::string(serial_number_width, 'S'));
  put_bytes(image, model_name_at, std::string(model_name_width, 'M'));
  put_bytes(image, variant_at, std::string(variant_width, 'V'));
  put_bytes(image, oem_id_at, std::string(oem_id_width, 'O'));
  put_bytes(image, cf_batch_at, std::string(cf_batch_width, 'C'));
  put_u16(image, config_version_at, 0x4141);
  put_u16(image, hardware_version_at, 7);
  put_bytes(image, product_code_at, std::string(product_code_width, 'P'));
  EXPECT_EQ(report_of((image)),
            "magic header    : VASK\n"
            "config version  : 16705\n"
            "serial number   : " + std::string(serial_number_width, 'S') + "\n"
            "model name      : " + std::string(model_name_width, 'M') + "\n"
            "variant         : " + std::string(variant_width, 'V') + "\n"
            "OEM ID          : " + std::string(oem_id_width, 'O') + "\n"
            "CF batch        : " + std::string(cf_batch_width, 'C') + "\n"
            "hardware version: 7\n"
            "Has LAN bypass  : no\n"
            "Product code\t: " + std::string(product_code_width, 'P') + "\n");
}

TEST(WriteReport, BypassFlagIsBit0x40Alone) {
  for (std::uint16_t flags : {std::uint16_t{0x0040}, std::uint16_t{0xffff}}) {
    std::string image = blank_image();
    put_u16(image, flags_at, flags);
    EXPECT_NE(report_of((image)).find("Has LAN bypass  : yes\n"), std::string::npos)
        << flags;
  }
}

}  // namespace
