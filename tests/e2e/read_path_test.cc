// Showing the record: through the cached copy, filling it from the boot
// partition when it cannot be opened, and never refilling an invalid one.

#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "command_echoes.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "report_oracle.h"
#include "result_lines.h"

namespace {

using ReadPath = appliance_test;

TEST_F(ReadPath, ShowsAValidCachedCopyAndLeavesThePartitionAlone) {
  // The record file differs from the copy: what is shown must be the copy.
  expect_each_run(
      {
          {"no argument", {}, example_report},
          {"-i", {"-i"}, example_report},
          {"--info", {"--info"}, example_report},
          {"abbreviated --inf", {"--inf"}, example_report},
          {"-i then --debug: nothing to echo", {"-i", "--debug"}, example_report},
          {"-i then -d with its value", {"-i", "-d", "1"}, example_report},
          {"an operand is not read", {"-i", "192.0.2.1"}, example_report},
          {"options may follow an operand", {"192.0.2.1", "-i"}, example_report},
      },
      join({put(".data", other_record), cache(example_record)}), {{".data", other_record}},
      example_record);
}

TEST_F(ReadPath, FillsAMissingCachedCopyFromTheRecordFile) {
  // Each run starts without a copy, whatever the run before it filled.
  expect_each_run(
      {
          {"-i", {"-i"}, example_report},
          {"no argument", {}, example_report},
          {"-d echoes the fill", {"-d", "1", "-i"}, fill_echoes + example_report},
      },
      join({{"--no-cache"}, put(".data", example_record)}), {{".data", example_record}},
      example_record);

  // The copy made by the fill is read as it is, with no command run.
  run_result again = run({"-d", "1", "-i"});
  EXPECT_RAN(again, example_report, 0);
}

TEST_F(ReadPath, AnInvalidRecordFileIsCopiedOnceAndThenReadAsItIs) {
  std::string bad = example_record;
  put_bytes(bad, 0, "VASC");
  run_result filled = run({"-d", "1", "-i"}, put(".data", bad));
  EXPECT_RAN(filled, fill_echoes + "incorrect data file header!\n" + invalid_line, 0);
  EXPECT_BYTES(cached_copy(), bad);

  run_result again = run({"-d", "1", "-i"});
  EXPECT_RAN(again, "incorrect data file header!\n" + invalid_line, 0);
  expect_unit({{".data", bad}}, bad);
}

TEST_F(ReadPath, NoCachedCopyAndNoRecordFileIsAnInvalidRecord) {
  expect_each_run(
      {
          {"no argument", {}, invalid_line},
          {"-i", {"-i"}, invalid_line},
          {"-d", {"-d", "1", "-i"}, fill_echoes + "cannot read data!\n" + invalid_line},
      },
      {"--no-cache", "--remove", ".data"}, {}, std::nullopt);
}

// A fill whose copy fails for want of room leaves no cached copy, not an
// empty one that would hide the valid record file from every later run.
TEST_F(ReadPath, AFillThatFailsForWantOfRoomLeavesNoCachedCopy) {
  const std::vector<run_case> cases = {
      {"-i", {"-i"}, invalid_line, 0},
      {"-d", {"-d", "1", "-i"}, fill_echoes + "cannot read data!\n" + invalid_line, 0},
      {"a set asks for every field", {"-s", "NEW"}, need_all_line, 1},
  };
  for (const run_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r =
        run(c.args, join({{"--no-cache"}, put(".data", example_record), {"--tesra-full"}}));
    EXPECT_RAN(r, c.out, c.status);
    expect_unit({{".data", example_record}}, std::nullopt);

    // With room again, the next run fills the copy and shows the record.
    run_result next = run({"-i"});
    EXPECT_RAN(next, example_report, 0);
    expect_unit({{".data", example_record}}, example_record);
  }
}

TEST_F(ReadPath, FillWithAPartitionThatDoesNotMountStillCopiesAndUnmounts) {
  expect_each_run(
      {
          {"-i", {"-i"}, invalid_line},
          {"-d: no directory line after the failed mount",
           {"-d", "1", "-i"},
           fill_echoes_mount_failed + "cannot read data!\n" + invalid_line},
      },
      join({{"--no-cache"}, put(".data", example_record), {"--no-fstab"}}),
      {{".data", example_record}}, std::nullopt);
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
    EXPECT_RAN(plain, invalid_line, 0);

    // No echo of a fill: the copy opens, so it is only read.
    run_result verbose = run({"-d", "1", "-i"}, setup);
    EXPECT_RAN(verbose, c.diagnostic + invalid_line, 0);

    // An update builds on the copy alone, so it is refused as well.
    run_result update = run({"-d", "1", "-s", "NEW"}, setup);
    EXPECT_RAN(update, c.diagnostic + need_all_line, 1);

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
    const std::string report = expected_report(copy);

    run_result verbose = run({"-d", "1", "-i"}, cache(copy));
    EXPECT_RAN(verbose, c.warning + report, 0);

    run_result plain = run({"-i"}, cache(copy));
    EXPECT_RAN(plain, report, 0);
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
  std::string full_width = example_record;
  put_bytes(full_width, serial_number_at, text_of_length("S", serial_number_width));
  put_bytes(full_width, model_name_at, text_of_length("M", model_name_width));
  put_bytes(full_width, variant_at, text_of_length("V", variant_width));
  put_bytes(full_width, oem_id_at, text_of_length("O", oem_id_width));
  put_bytes(full_width, cf_batch_at, text_of_length("C", cf_batch_width));
  put_bytes(full_width, product_code_at, text_of_length("P", product_code_width));
  full_width += "TRAILING-BYTES";

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
      {"text fields without a NUL", full_width, expected_report(full_width)},
      {"a file far longer than a record", example_record + std::string(41000, 'Z'),
       example_report},
  };
  for (const shown_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r = run({"-i"}, cache(c.copy));
    EXPECT_RAN(r, c.out, 0);
    EXPECT_BYTES(cached_copy(), c.copy);
  }
}

}  // namespace
