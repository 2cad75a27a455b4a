// Showing the record: through the cached copy, filling it from the boot
// partition when it cannot be opened, and never refilling an invalid one.

#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "command_echoes.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "result_lines.h"

namespace {

using ReadPath = appliance_test;

struct arguments_case {
  const char* name;
  std::vector<std::string> args;
  std::string out;
};

TEST_F(ReadPath, ShowsAValidCachedCopyAndLeavesThePartitionAlone) {
  // The record file differs from the copy: what is shown must be the copy.
  const std::vector<arguments_case> cases = {
      {"no argument", {}, example_report},
      {"-i", {"-i"}, example_report},
      {"--info", {"--info"}, example_report},
      {"abbreviated --inf", {"--inf"}, example_report},
      {"-i then --debug: nothing to echo", {"-i", "--debug"}, example_report},
      {"-i then -d with its value", {"-i", "-d", "1"}, example_report},
      {"an operand is not read", {"-i", "192.0.2.1"}, example_report},
      {"options may follow an operand", {"192.0.2.1", "-i"}, example_report},
  };
  for (const arguments_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r = run(c.args, join({put(".data", other_record), cache(example_record)}));
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    expect_unit({{".data", other_record}}, example_record);
  }
}

TEST_F(ReadPath, FillsAMissingCachedCopyFromTheRecordFile) {
  const std::vector<arguments_case> cases = {
      {"-i", {"-i"}, example_report},
      {"no argument", {}, example_report},
      {"-d echoes the fill", {"-d", "1", "-i"}, fill_echoes + example_report},
  };
  for (const arguments_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r = run(c.args, join({{"--no-cache"}, put(".data", example_record)}));
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    expect_unit({{".data", example_record}}, example_record);
  }

  // The copy made by the fill is read as it is, with no command run.
  run_result again = run({"-d", "1", "-i"});
  EXPECT_EQ(again.out, example_report);
  EXPECT_EQ(again.status, 0);
}

TEST_F(ReadPath, AnInvalidRecordFileIsCopiedOnceAndThenReadAsItIs) {
  std::string bad = example_record;
  put_bytes(bad, 0, "VASC");
  run_result filled = run({"-d", "1", "-i"}, join({{"--no-cache"}, put(".data", bad)}));
  EXPECT_EQ(filled.out, fill_echoes + "incorrect data file header!\n" + invalid_line);
  EXPECT_EQ(filled.status, 0);
  EXPECT_BYTES(cached_copy(), bad);

  run_result again = run({"-d", "1", "-i"});
  EXPECT_EQ(again.out, "incorrect data file header!\n" + invalid_line);
  EXPECT_EQ(again.status, 0);
  expect_unit({{".data", bad}}, bad);
}

TEST_F(ReadPath, NoCachedCopyAndNoRecordFileIsAnInvalidRecord) {
  const std::vector<arguments_case> cases = {
      {"no argument", {}, invalid_line},
      {"-i", {"-i"}, invalid_line},
      {"-d", {"-d", "1", "-i"}, fill_echoes + "cannot read data!\n" + invalid_line},
  };
  for (const arguments_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r = run(c.args, {"--no-cache", "--remove", ".data"});
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    expect_unit({}, std::nullopt);
  }
}

// A fill whose copy fails for want of room leaves no cached copy, not an
// empty one that would hide the valid record file from every later run.
TEST_F(ReadPath, AFillThatFailsForWantOfRoomLeavesNoCachedCopy) {
  struct full_case {
    const char* name;
    std::vector<std::string> args;
    std::string out;
    int status;
  };
  const std::vector<full_case> cases = {
      {"-i", {"-i"}, invalid_line, 0},
      {"-d", {"-d", "1", "-i"}, fill_echoes + "cannot read data!\n" + invalid_line, 0},
      {"a set asks for every field", {"-s", "NEW"}, need_all_line, 1},
  };
  for (const full_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r =
        run(c.args, join({{"--no-cache"}, put(".data", example_record), {"--tesra-full"}}));
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, c.status);
    expect_unit({{".data", example_record}}, std::nullopt);

    // With room again, the next run fills the copy and shows the record.
    run_result next = run({"-i"});
    EXPECT_EQ(next.out, example_report);
    EXPECT_EQ(next.status, 0);
    expect_unit({{".data", example_record}}, example_record);
  }
}

TEST_F(ReadPath, FillWithAPartitionThatDoesNotMountStillCopiesAndUnmounts) {
  const std::vector<arguments_case> cases = {
      {"-i", {"-i"}, invalid_line},
      {"-d: no directory line after the failed mount",
       {"-d", "1", "-i"},
       fill_echoes_mount_failed + "cannot read data!\n" + invalid_line},
  };
  for (const arguments_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r = run(c.args, join({{"--no-cache"}, put(".data", example_record), {"--no-fstab"}}));
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    expect_unit({{".data", example_record}}, std::nullopt);
  }
}

TEST_F(ReadPath, AnInvalidCachedCopyIsNeverRefilled) {
  struct invalid_copy_case {
    const char* name;
    std::string copy;
    std::string diagnostic;
  };
  const std::vector<invalid_copy_case> cases = {
      {"19 bytes", example_record.substr(0, 19), "data file corrupted!\n"},
      {"empty", "", "data file corrupted!\n"},
      {"magic in lower case", with_bytes(example_record, 0, "vask"),
       "incorrect data file header!\n"},
      {"magic off in its last byte", with_bytes(example_record, 3, "L"),
       "incorrect data file header!\n"},
      {"version 1.0.1", with_bytes(example_record, 4, "1.0.1"), "incorrect data file header!\n"},
      {"version with a sixth character", with_bytes(example_record, 4, "1.0.00"),
       "incorrect data file header!\n"},
      {"version 1.0", with_bytes(example_record, 4, std::string_view("1.0\0\0", 5)),
       "incorrect data file header!\n"},
  };
  for (const invalid_copy_case& c : cases) {
    SCOPED_TRACE(c.name);
    const setup_list setup = join({put(".data", example_record), cache(c.copy)});

    run_result plain = run({"-i"}, setup);
    EXPECT_EQ(plain.out, invalid_line);
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(plain.status, 0);

    // No echo of a fill: the copy opens, so it is only read.
    run_result verbose = run({"-d", "1", "-i"}, setup);
    EXPECT_EQ(verbose.out, c.diagnostic + invalid_line);
    EXPECT_EQ(verbose.err, "");
    EXPECT_EQ(verbose.status, 0);

    // An update builds on the copy alone, so it is refused as well.
    run_result update = run({"-d", "1", "-s", "NEW"}, setup);
    EXPECT_EQ(update.out, c.diagnostic + need_all_line);
    EXPECT_EQ(update.status, 1);

    expect_unit({{".data", example_record}}, c.copy);
  }
}

TEST_F(ReadPath, WarnsOfAConfigVersionAboveOneAndShowsItUnsigned) {
  struct config_case {
    std::uint16_t config_version;
    std::string warning;
  };
  const std::vector<config_case> cases = {
      {0, ""},
      {1, ""},
      {2, "data file has unsupported version: 2\n"},
      {65535, "data file has unsupported version: 65535\n"},
  };
  for (const config_case& c : cases) {
    SCOPED_TRACE(c.config_version);
    std::string copy = example_record;
    put_u16(copy, config_version_at, c.config_version);
    std::string report = example_report;
    report.replace(report.find("config version  : 1\n"), 20,
                   "config version  : " + std::to_string(c.config_version) + "\n");

    run_result verbose = run({"-d", "1", "-i"}, cache(copy));
    EXPECT_EQ(verbose.out, c.warning + report);
    EXPECT_EQ(verbose.status, 0);

    run_result plain = run({"-i"}, cache(copy));
    EXPECT_EQ(plain.out, report);
    EXPECT_EQ(plain.status, 0);
  }
}

TEST_F(ReadPath, ShowsStoredValuesAsTheRecordHoldsThem) {
  struct shown_case {
    const char* name;
    std::string copy;
    std::string out;
  };

  std::string short_copy = std::string("VASK1.0.0\0", 10) + "0123456789";

  std::string numbers = example_record;
  put_u16(numbers, hardware_version_at, 65535);
  put_u16(numbers, flags_at, 0xffbf);  // every bit but LAN bypass

  std::string other_bits = example_record;
  put_u16(other_bits, flags_at, 0x0040);
  put_u16(other_bits, hardware_version_at, 0);

  // Every text field runs to the end of its width with no NUL, and the file
  // goes on past the record.
  const std::string serial = text_of_length("S", 32);
  const std::string model = text_of_length("M", 32);
  const std::string variant = text_of_length("V", 16);
  const std::string oem_id = text_of_length("O", 16);
  const std::string cf_batch = text_of_length("C", 8);
  const std::string product_code = text_of_length("P", 24);
  std::string full_width = example_record;
  put_bytes(full_width, serial_number_at, serial);
  put_bytes(full_width, model_name_at, model);
  put_bytes(full_width, variant_at, variant);
  put_bytes(full_width, oem_id_at, oem_id);
  put_bytes(full_width, cf_batch_at, cf_batch);
  put_bytes(full_width, product_code_at, product_code);
  full_width += "TRAILING-BYTES";
  std::string full_width_report = "magic header    : VASK\n";
  full_width_report += "config version  : 1\n";
  full_width_report += "serial number   : " + serial + "\n";
  full_width_report += "model name      : " + model + "\n";
  full_width_report += "variant         : " + variant + "\n";
  full_width_report += "OEM ID          : " + oem_id + "\n";
  full_width_report += "CF batch        : " + cf_batch + "\n";
  full_width_report += "hardware version: 2\n";
  full_width_report += "Has LAN bypass  : yes\n";
  full_width_report += "Product code\t: " + product_code + "\n";

  const std::vector<shown_case> cases = {
      {"a copy of only 20 bytes", short_copy,
       "magic header    : VASK\n"
       "config version  : 0\n"
       "serial number   : \n"
       "model name      : \n"
       "variant         : \n"
       "OEM ID          : \n"
       "CF batch        : \n"
       "hardware version: 1\n"
       "Has LAN bypass  : no\n"
       "Product code\t: \n"},
      {"numbers shown unsigned, other flag bits ignored", numbers,
       "magic header    : VASK\n"
       "config version  : 1\n"
       "serial number   : U17B2C93\n"
       "model name      : AX-220\n"
       "variant         : basic\n"
       "OEM ID          : OEM7\n"
       "CF batch        : B0713\n"
       "hardware version: 65535\n"
       "Has LAN bypass  : no\n"
       "Product code\t: PC-AX220-B\n"},
      {"hardware version 0 shown as 1", other_bits,
       "magic header    : VASK\n"
       "config version  : 1\n"
       "serial number   : U17B2C93\n"
       "model name      : AX-220\n"
       "variant         : basic\n"
       "OEM ID          : OEM7\n"
       "CF batch        : B0713\n"
       "hardware version: 1\n"
       "Has LAN bypass  : yes\n"
       "Product code\t: PC-AX220-B\n"},
      {"text fields without a NUL", full_width, full_width_report},
      {"a file far longer than a record", example_record + std::string(41000, 'Z'),
       example_report},
  };
  for (const shown_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r = run({"-i"}, cache(c.copy));
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_BYTES(cached_copy(), c.copy);
  }
}

}  // namespace
