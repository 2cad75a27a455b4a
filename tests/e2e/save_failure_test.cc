// Saves that cannot be made, and the leftovers of earlier ones: the unit
// must never be left with a damaged record, backup or cached copy.

#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "command_echoes.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "report_text.h"

namespace {

using SaveFailure = appliance_test;
using StaleTransientBackup = appliance_test;

TEST_F(SaveFailure, LeavesThePreviousRecordWhole) {
  struct failure_case {
    const char* name;
    setup_list partition_state;
    std::string verbose_lines;  // what -d adds before the failure line
    partition_files left;
  };
  const std::vector<failure_case> cases = {
      // No mount: nothing else runs, not even the unmount.
      {"the partition does not mount", {"--no-fstab"}, umount_echo + mount_echo,
       {{".data", example_record}, {".data.bak", other_record}}},
      {"the partition mounts read-only", {"--ro"},
       umount_echo + mount_echo + mkdir_echo + transient_backup_echo +
           "cannot open data file to write!\n" + umount_echo,
       {{".data", example_record}, {".data.bak", other_record}}},
      // The temporary file opens, its blocks cannot be had. The copy to the
      // transient backup could make its file but not fill it.
      {"the partition is full", {"--fill"},
       umount_echo + mount_echo + mkdir_echo + transient_backup_echo +
           "cannot write data file!\n" + umount_echo,
       {{".data", example_record}, {".data.ba1", ""}, {".data.bak", other_record}}},
  };
  for (const failure_case& c : cases) {
    SCOPED_TRACE(c.name);
    const setup_list setup =
        join({{"--unfill", "--remove", ".data.ba1"}, put(".data", example_record),
              put(".data.bak", other_record), cache(example_record), c.partition_state});

    // No report of a saved record follows the failure line.
    run_result plain = run({"-i", "-s", "NEW"}, setup);
    EXPECT_EQ(plain.out, example_report + save_failed_line);
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(plain.status, 1);
    expect_unit(c.left, example_record);

    run_result verbose = run({"-d", "1", "-s", "NEW"}, setup);
    EXPECT_EQ(verbose.out, c.verbose_lines + save_failed_line);
    EXPECT_EQ(verbose.err, "");
    EXPECT_EQ(verbose.status, 1);
    expect_unit(c.left, example_record);
  }
}

TEST_F(SaveFailure, ASaveSucceedsOnceTheFullPartitionHasRoomAgain) {
  record_fields first = example_fields();
  first.serial_number = "FIRST";
  run_result r1 = run({"-s", "FIRST"}, join({put(".data", example_record),
                                            {"--remove", ".data.bak"}, cache(example_record)}));
  ASSERT_EQ(r1.status, 0);
  expect_saved(record_image(first), example_record);

  run_result full = run({"-s", "SECOND"}, {"--fill"});
  EXPECT_EQ(full.out, save_failed_line);
  EXPECT_EQ(full.status, 1);
  expect_unit({{".data", record_image(first)}, {".data.ba1", ""}, {".data.bak", example_record}},
              record_image(first));

  // What the failed save left as the transient backup is not what the next
  // save keeps: that is the record file as it was.
  record_fields second = first;
  second.serial_number = "SECOND";
  run_result r2 = run({"-s", "SECOND"}, {"--unfill"});
  EXPECT_EQ(r2.out, report_text(second) + saved_line);
  EXPECT_EQ(r2.status, 0);
  expect_saved(record_image(second), record_image(first));
}

TEST_F(SaveFailure, WithoutTheCacheFolderEveryLoadFillsAndTheRecordIsStillWritten) {
  const std::vector<std::string> fields = {"-s", "SN-1", "-m", "MD", "-v", "VA", "-o", "OE",
                                           "-w", "CF", "-p", "PC", "-x", "4", "-B"};
  const std::string first = record_image({.serial_number = "SN-1",
                                          .model_name = "MD",
                                          .variant = "VA",
                                          .oem_id = "OE",
                                          .cf_batch = "CF",
                                          .product_code = "PC",
                                          .config_version = 1,
                                          .flags = lan_bypass_flag,
                                          .hardware_version = 4});

  std::vector<std::string> args = {"-i"};
  args.insert(args.end(), fields.begin(), fields.end());
  run_result plain =
      run(args, {"--no-tesra", "--no-cache", "--remove", ".data", "--remove", ".data.bak"});
  EXPECT_EQ(plain.out, invalid_line + invalid_line + saved_line);
  EXPECT_EQ(plain.err, "");
  EXPECT_EQ(plain.status, 0);
  expect_unit({{".data", first}}, std::nullopt);

  // Three fills: the first show, the validity load, the show after the save.
  std::vector<std::string> verbose_args = {"-d", "1"};
  verbose_args.insert(verbose_args.end(), args.begin(), args.end());
  verbose_args.push_back("-s");
  verbose_args.push_back("SN-2");
  std::string second = first;
  zero_bytes(second, serial_number_at, 32);
  put_bytes(second, serial_number_at, "SN-2");
  run_result verbose = run(verbose_args, {"--no-tesra"});
  const std::string failed_fill = fill_echoes + "cannot read data!\n";
  EXPECT_EQ(verbose.out, failed_fill + invalid_line + failed_fill + full_save_lines +
                             failed_fill + invalid_line + saved_line);
  EXPECT_EQ(verbose.status, 0);
  expect_unit({{".data", second}, {".data.bak", first}}, std::nullopt);
}

TEST_F(StaleTransientBackup, IsOverwrittenWhenTheRecordFileExists) {
  const std::string stale = other_record;
  record_fields saved = example_fields();
  saved.serial_number = "NEW";
  run_result r = run({"-s", "NEW"}, join({put(".data", example_record), {"--remove", ".data.bak"},
                                         put(".data.ba1", stale), cache(example_record)}));
  EXPECT_EQ(r.out, report_text(saved) + saved_line);
  EXPECT_EQ(r.status, 0);
  expect_saved(record_image(saved), example_record);
}

TEST_F(StaleTransientBackup, BecomesTheBackupWhenTheRecordFileIsMissing) {
  const std::string stale = other_record;
  const record_fields saved = short_fields(2, 0);
  run_result r = run(every_field_args(saved),
                     join({{"--no-cache", "--remove", ".data", "--remove", ".data.bak"},
                           put(".data.ba1", stale)}));
  EXPECT_EQ(r.out, report_text(saved) + saved_line);
  EXPECT_EQ(r.status, 0);
  expect_saved(record_image(saved), stale);
}

}  // namespace
