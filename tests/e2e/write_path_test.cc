// Saving fields: a record built from nothing, one field changed at a time,
// bytes that no option sets carried over, the backup and the refreshed
// cached copy, and the rule for a record that cannot be loaded.

#include <functional>
#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "command_echoes.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "report_text.h"
#include "result_lines.h"

namespace {

using WritePath = appliance_test;
using InvalidRecord = appliance_test;

record_fields changed(const std::function<void(record_fields&)>& edit) {
  record_fields fields = example_fields();
  edit(fields);
  return fields;
}

TEST_F(WritePath, EachOptionFormSetsItsFieldAndTheLastValueWins) {
  const record_fields at_limit = changed([](auto& f) {
    f.serial_number = text_of_length("S", 31);
    f.model_name = text_of_length("M", 31);
    f.variant = text_of_length("V", 15);
    f.oem_id = text_of_length("O", 15);
    f.cf_batch = text_of_length("C", 7);
    f.product_code = text_of_length("P", 23);
  });
  struct option_case {
    const char* name;
    std::vector<std::string> args;
    record_fields saved;
  };
  const std::vector<option_case> cases = {
      {"--serial=A", {"--serial=A"}, changed([](auto& f) { f.serial_number = "A"; })},
      {"--serial A", {"--serial", "A"}, changed([](auto& f) { f.serial_number = "A"; })},
      {"-sA", {"-sA"}, changed([](auto& f) { f.serial_number = "A"; })},
      {"abbreviated --ser", {"--ser", "A"}, changed([](auto& f) { f.serial_number = "A"; })},
      {"the last -s wins", {"-s", "A", "-s", "B"}, changed([](auto& f) { f.serial_number = "B"; })},
      {"an empty value empties the field", {"-s", ""},
       changed([](auto& f) { f.serial_number = ""; })},
      {"-s takes -m as its value", {"-s", "-m", "X"},
       changed([](auto& f) { f.serial_number = "-m"; })},
      {"operands are not read", {"-s", "A", "192.0.2.1"},
       changed([](auto& f) { f.serial_number = "A"; })},
      {"-m", {"-m", "NEW-MODEL"}, changed([](auto& f) { f.model_name = "NEW-MODEL"; })},
      {"--variant=", {"--variant=v2"}, changed([](auto& f) { f.variant = "v2"; })},
      {"-o", {"-o", "OEM9"}, changed([](auto& f) { f.oem_id = "OEM9"; })},
      {"--hw is the CF batch", {"--hw", "C2"}, changed([](auto& f) { f.cf_batch = "C2"; })},
      {"--pcode=", {"--pcode=PC-1"}, changed([](auto& f) { f.product_code = "PC-1"; })},
      {"-b", {"-b"}, changed([](auto& f) { f.flags = 0; })},
      {"--lbd", {"--lbd"}, changed([](auto& f) { f.flags = 0; })},
      {"-B then -b: the last wins", {"-B", "-b"}, changed([](auto& f) { f.flags = 0; })},
      {"-b then --lbe: the last wins", {"-b", "--lbe"},
       changed([](auto& f) { f.flags = lan_bypass_flag; })},
      {"-x 9", {"-x", "9"}, changed([](auto& f) { f.hardware_version = 9; })},
      {"the last -x wins", {"-x", "5", "--macv=300"},
       changed([](auto& f) { f.hardware_version = 300; })},
      {"-x 0 is stored as 0", {"-x", "0"}, changed([](auto& f) { f.hardware_version = 0; })},
      {"-x 65536 is 0", {"-x", "65536"}, changed([](auto& f) { f.hardware_version = 0; })},
      {"-x abc is 0", {"-x", "abc"}, changed([](auto& f) { f.hardware_version = 0; })},
      {"-x with blanks and a plus sign", {"-x", " \t+7"},
       changed([](auto& f) { f.hardware_version = 7; })},
      {"-x -2", {"-x", "-2"}, changed([](auto& f) { f.hardware_version = 65534; })},
      {"-x stops at the first non-digit", {"-x", "12abc"},
       changed([](auto& f) { f.hardware_version = 12; })},
      {"-x 70000 modulo 65536", {"-x", "70000"},
       changed([](auto& f) { f.hardware_version = 4464; })},
      {"-x with twenty digits", {"-x", "18446744073709551623"},
       changed([](auto& f) { f.hardware_version = 7; })},
      {"-x -1 beside a field leaves the version", {"-s", "A", "-x", "-1"},
       changed([](auto& f) { f.serial_number = "A"; })},
      {"a value is text, never a format", {"-s", "%s%n%x%%"},
       changed([](auto& f) { f.serial_number = "%s%n%x%%"; })},
      {"texts of exactly their limit are saved whole", text_field_args(at_limit), at_limit},
  };
  for (const option_case& c : cases) {
    SCOPED_TRACE(c.name);
    // The backup that the save before left goes.
    run_result r = run(c.args, join({unit_holding(example_record), {"--remove", ".data.bak"}}));
    EXPECT_RAN(r, report_text(c.saved) + saved_line, 0);
    expect_saved(record_image(c.saved), example_record);
  }
}

TEST_F(WritePath, BuildsARecordFromNothingThenChangesOneFieldAtATime) {
  record_fields first = {.serial_number = "SN-0001",
                         .model_name = "AX-100",
                         .variant = "lite",
                         .oem_id = "OEM1",
                         .cf_batch = "B0001",
                         .product_code = "PC-AX100",
                         .config_version = 1,
                         .flags = lan_bypass_flag,
                         .hardware_version = 7};
  run_result r1 = run({"-s", "SN-0001", "-m", "AX-100", "-v", "lite", "-o", "OEM1", "-w", "B0001",
                       "-x", "7", "-B", "-p", "PC-AX100"});
  EXPECT_RAN(r1, report_text(first) + saved_line, 0);
  // The first save has nothing to keep: no backup.
  expect_saved(record_image(first), std::nullopt);

  // -i shows the stored record, then the saved one.
  record_fields second = first;
  second.serial_number = "SN-0002";
  run_result r2 = run({"-i", "-s", "SN-0002"});
  EXPECT_RAN(r2, report_text(first) + report_text(second) + saved_line, 0);
  expect_saved(record_image(second), record_image(first));

  record_fields third = second;
  third.product_code = "PC-AX100-R2";
  third.flags = 0;
  run_result r3 = run({"-p", "PC-AX100-R2", "-b"});
  EXPECT_RAN(r3, report_text(third) + saved_line, 0);
  // After two saves in a row the backup is what the first of them wrote.
  expect_saved(record_image(third), record_image(second));

  // A fresh record has zero everywhere outside its texts and numbers.
  std::optional<std::string> written = partition_file(".data");
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->substr(0, 20), std::string("VASK1.0.0\0\0\0\0\0\0\0\0\0\0\0", 20));
  EXPECT_EQ(written->substr(reserved_at, 10), std::string(10, '\0'));
}

TEST_F(WritePath, AnUpdateBuildsOnTheCachedCopyNotOnTheRecordFile) {
  record_fields saved = changed([](auto& f) { f.serial_number = "NEW"; });
  run_result r = run({"-s", "NEW"}, join({put(".data", other_record), cache(example_record)}));
  EXPECT_RAN(r, report_text(saved) + saved_line, 0);
  expect_saved(record_image(saved), other_record);
}

// A partition that something left mounted is taken down and mounted again:
// the save echoes the very same steps.
TEST_F(WritePath, AVerboseSaveEchoesEveryStepAndRemountsAPartitionLeftMounted) {
  record_fields saved = changed([](auto& f) { f.serial_number = "NEW"; });
  const std::vector<std::string> left_mounted =
      unitinfo_under({"/bin/sh", "-c", "mount /mnt/bootloader && exec \"$@\" -d 1 -s NEW", "sh"});
  struct command_case {
    const char* name;
    std::vector<std::string> command;
  };
  const std::vector<command_case> cases = {
      {"the partition unmounted", unitinfo_with({"-d", "1", "-s", "NEW"})},
      {"the partition left mounted", left_mounted},
  };
  for (const command_case& c : cases) {
    SCOPED_TRACE(c.name);
    // The backup that the save before left goes.
    run_result r = run_on_appliance(
        c.command, join({unit_holding(example_record), {"--remove", ".data.bak"}}));
    EXPECT_RAN(r, full_save_lines + report_text(saved) + saved_line, 0);
    expect_saved(record_image(saved), example_record);
  }
}

TEST_F(WritePath, CarriesOverEveryByteThatNoOptionSets) {
  std::string stored = example_record;
  put_bytes(stored, 10, "0123456789");          // rest of the version field
  put_bytes(stored, reserved_at, "RESERVED!!");  // the reserved bytes
  put_bytes(stored, serial_number_at + 10, "junk");  // after the serial's NUL
  put_bytes(stored, variant_at + 8, "junk");
  put_bytes(stored, product_code_at + 20, "end");
  put_u16(stored, flags_at, 0x8041);
  put_u16(stored, config_version_at, 5);
  put_u16(stored, hardware_version_at, 0);

  // A config version above 1 is saved as 1, a stored hardware version of 0
  // as 1, and -b clears the LAN-bypass bit alone.
  std::string expected = stored;
  zero_bytes(expected, model_name_at, 16);
  put_bytes(expected, model_name_at, "NEW-MODEL");
  put_u16(expected, flags_at, 0x8001);
  put_u16(expected, config_version_at, 1);
  put_u16(expected, hardware_version_at, 1);
  record_fields shown = changed([](auto& f) {
    f.model_name = "NEW-MODEL";
    f.flags = 0x8001;
    f.hardware_version = 1;
  });

  run_result r = run({"-m", "NEW-MODEL", "-b"}, unit_holding(stored));
  EXPECT_RAN(r, report_text(shown) + saved_line, 0);
  expect_saved(expected, stored);

  // A given hardware version of 0 is stored as 0 and shown as 1.
  std::string with_zero = expected;
  put_u16(with_zero, hardware_version_at, 0);
  run_result zero = run({"-x", "0"});
  EXPECT_RAN(zero, report_text(shown) + saved_line, 0);
  expect_saved(with_zero, expected);
}

TEST_F(WritePath, AShortTextReplacesALongOneWithinItsClearedSpan) {
  struct span_case {
    const char* name;
    std::string record_fields::*field;
    std::string option;
    std::size_t offset;
    std::string old_text;
    std::size_t cleared;
  };
  const std::vector<span_case> cases = {
      {"serial number", &record_fields::serial_number, "-s", serial_number_at,
       text_of_length("S", 30), 32},
      // The model name clears only its first 16 bytes: the old name's 17th
      // to 20th characters and its NUL stay at offsets 68 to 72.
      {"model name of 20", &record_fields::model_name, "-m", model_name_at,
       "ABCDEFGHIJKLMNOPQRST", 16},
      {"model name of 31", &record_fields::model_name, "-m", model_name_at,
       text_of_length("M", 31), 16},
      {"variant", &record_fields::variant, "-v", variant_at, text_of_length("V", 15), 16},
      {"OEM ID", &record_fields::oem_id, "-o", oem_id_at, text_of_length("O", 15), 16},
      {"CF batch", &record_fields::cf_batch, "-w", cf_batch_at, text_of_length("C", 7), 8},
      {"product code", &record_fields::product_code, "-p", product_code_at,
       text_of_length("P", 23), 24},
  };
  for (const span_case& c : cases) {
    SCOPED_TRACE(c.name);
    record_fields old_fields = example_fields();
    old_fields.*c.field = c.old_text;
    const std::string stored = record_image(old_fields);

    std::string expected = stored;
    zero_bytes(expected, c.offset, c.cleared);
    put_bytes(expected, c.offset, "XY");
    record_fields shown = old_fields;
    shown.*c.field = "XY";

    // The backup that the save before left goes.
    run_result r = run({c.option, "XY"}, join({unit_holding(stored), {"--remove", ".data.bak"}}));
    EXPECT_RAN(r, report_text(shown) + saved_line, 0);
    expect_saved(expected, stored);
  }
}

TEST_F(WritePath, TheNewRecordFileKeepsThePermissionBitsOfTheOld) {
  for (mode_t mode : {mode_t{0600}, mode_t{0640}}) {
    SCOPED_TRACE(mode);
    run_result r = run({"-s", "NEW"}, join({put(".data", example_record, mode),
                                           cache(example_record)}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(partition_mode(".data"), static_cast<int>(mode));
  }
}

TEST_F(InvalidRecord, WithoutEveryFieldNothingIsSaved) {
  const std::vector<std::string> six_fields = text_field_args(short_fields(1, 0));
  auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> args = six_fields;
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  // Each run starts on a unit with no record, whatever the run before it
  // left.
  expect_each_run(
      {
          {"only -s", {"-s", "SN"}, need_all_line, 1},
          {"-i and only -s", {"-i", "-s", "SN"}, invalid_line + need_all_line, 1},
          {"every field and -x, but no -B or -b", with({"-x", "1"}), need_all_line, 1},
          {"every field and -B, but no -x", with({"-B"}), need_all_line, 1},
          {"-x 65535 is no hardware version", with({"-x", "65535", "-B"}), need_all_line, 1},
          {"no product code",
           {"-s", "SN", "-m", "MD", "-v", "VA", "-o", "OE", "-w", "CF", "-x", "1", "-b"},
           need_all_line, 1},
      },
      {"--no-cache", "--remove", ".data", "--remove", ".data.bak"}, {}, std::nullopt);
}

TEST_F(InvalidRecord, EveryFieldBuildsAFreshRecord) {
  const record_fields saved = short_fields(3, lan_bypass_flag);
  run_result r = run(every_field_args(saved, {"-d", "1"}));
  // The load finds nothing to fill from; the save runs in full although
  // there is no record file to keep; the show reads the refreshed copy.
  EXPECT_RAN(r,
             fill_echoes + "cannot read data!\n" + full_save_lines + report_text(saved) +
                 saved_line,
             0);
  expect_saved(record_image(saved), std::nullopt);
}

TEST_F(InvalidRecord, AnInvalidCachedCopyIsReplacedByAFreshRecord) {
  std::string bad_copy = example_record;
  put_bytes(bad_copy, 0, "XASK");
  // The copy's own fields are not built on, nor the record file's.
  const record_fields saved = short_fields(9, 0);
  run_result r =
      run(every_field_args(saved, {"-i"}), join({put(".data", example_record), cache(bad_copy)}));
  EXPECT_RAN(r, invalid_line + report_text(saved) + saved_line, 0);
  expect_saved(record_image(saved), example_record);

  run_result shown = run({"-i"});
  EXPECT_RAN(shown, report_text(saved), 0);
}

}  // namespace
