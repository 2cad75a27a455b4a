// Saves that cannot be made, and the leftovers of earlier ones: the unit
// must never be left with a damaged record, backup or cached copy.

#include <csignal>
#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "command_echoes.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "report_text.h"
#include "result_lines.h"

namespace {

using SaveFailure = appliance_test;
using Leftover = appliance_test;
using StaleTransientBackup = appliance_test;
using TransientBackup = appliance_test;
using TemporaryFile = appliance_test;

// The words that run unitinfo with `args` under strace, which kills it with
// SIGKILL as it enters its first rename, before the rename is made. Only the
// program is traced, not the cp and mv that it starts; under an emulator the
// renames are the emulator's own, made for the program.
std::vector<std::string> killed_at_first_rename(const std::vector<std::string>& args) {
  return traced({"-o", "/dev/null", "-e", "trace=rename,renameat,renameat2", "-e",
                 "inject=rename,renameat,renameat2:signal=SIGKILL:when=1"},
                args);
}

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
      // The copy aside cannot be made: the whole record file could not be
      // kept, so nothing is written.
      {"the partition mounts read-only", {"--ro"},
       umount_echo + mount_echo + mkdir_echo + transient_backup_echo +
           "cannot keep the old data file!\n" + umount_echo,
       {{".data", example_record}, {".data.bak", other_record}}},
      // The copy to the transient backup could make its file but not fill
      // it: what it made is removed, and nothing is written.
      {"the partition is full", {"--fill"},
       umount_echo + mount_echo + mkdir_echo + transient_backup_echo +
           "cannot keep the old data file!\n" + umount_echo,
       {{".data", example_record}, {".data.bak", other_record}}},
  };
  for (const failure_case& c : cases) {
    SCOPED_TRACE(c.name);
    // What the case before may have left, a full partition or a transient
    // backup, goes.
    const setup_list setup = join({{"--unfill", "--remove", ".data.ba1"},
                                   unit_holding(example_record, other_record), c.partition_state});

    // No report of a saved record follows the failure line.
    run_result plain = run({"-i", "-s", "NEW"}, setup);
    EXPECT_RAN(plain, example_report + save_failed_line, 1);
    expect_unit(c.left, example_record);

    run_result verbose = run({"-d", "1", "-s", "NEW"}, setup);
    EXPECT_RAN(verbose, c.verbose_lines + save_failed_line, 1);
    expect_unit(c.left, example_record);
  }
}

TEST_F(SaveFailure, ASaveSucceedsOnceTheFullPartitionHasRoomAgain) {
  record_fields first = example_fields();
  first.serial_number = "FIRST";
  run_result r1 = run({"-s", "FIRST"}, unit_holding(example_record));
  ASSERT_EQ(r1.status, 0);
  expect_saved(record_image(first), example_record);

  run_result full = run({"-s", "SECOND"}, {"--fill"});
  EXPECT_RAN(full, save_failed_line, 1);
  expect_unit({{".data", record_image(first)}, {".data.bak", example_record}},
              record_image(first));

  // The next save keeps the record file as it was.
  record_fields second = first;
  second.serial_number = "SECOND";
  run_result r2 = run({"-s", "SECOND"}, {"--unfill"});
  EXPECT_RAN(r2, report_text(second) + saved_line, 0);
  expect_saved(record_image(second), record_image(first));
}

TEST_F(SaveFailure, WithoutTheCacheFolderEveryLoadFillsAndTheRecordIsStillWritten) {
  record_fields fields = short_fields(4, lan_bypass_flag);
  fields.serial_number = "SN-1";
  const std::string first = record_image(fields);

  const std::vector<std::string> args = every_field_args(fields, {"-i"});
  run_result plain = run(args, {"--no-tesra"});
  EXPECT_RAN(plain, invalid_line + invalid_line + saved_line, 0);
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
  EXPECT_RAN(verbose,
             failed_fill + invalid_line + failed_fill + full_save_lines + failed_fill +
                 invalid_line + saved_line,
             0);
  expect_unit({{".data", second}, {".data.bak", first}}, std::nullopt);
}

// The refresh after a save fails for want of room as well: the record file
// is written, and no cached copy is left to hide it.
TEST_F(SaveFailure, ARebuildWithNoRoomForTheCachedCopyLeavesNone) {
  const record_fields saved = short_fields(6, lan_bypass_flag);
  run_result r = run(every_field_args(saved), {"--tesra-full"});
  // The show after the save finds no copy and no room to fill one.
  EXPECT_RAN(r, invalid_line + saved_line, 0);
  expect_unit({{".data", record_image(saved)}}, std::nullopt);

  run_result next = run({"-i"});
  EXPECT_RAN(next, report_text(saved), 0);
  expect_saved(record_image(saved), std::nullopt);
}

// A file that an earlier save left beside a whole record file goes with the
// next save, and the backup is that record file.
TEST_F(Leftover, BesideAWholeRecordFileIsClearedByTheNextSave) {
  struct leftover_case {
    const char* name;
    const char* file;
    std::string bytes;
  };
  const std::vector<leftover_case> cases = {
      {"a stale transient backup is overwritten", ".data.ba1", other_record},
      {"a stray temporary file is removed", ".data.new", "stray"},
  };
  record_fields saved = example_fields();
  saved.serial_number = "NEW";
  for (const leftover_case& c : cases) {
    SCOPED_TRACE(c.name);
    // The backup that the save before left goes.
    run_result r = run({"-s", "NEW"}, join({unit_holding(example_record), {"--remove", ".data.bak"},
                                           put(c.file, c.bytes)}));
    EXPECT_RAN(r, report_text(saved) + saved_line, 0);
    expect_saved(record_image(saved), example_record);
  }
}

TEST_F(StaleTransientBackup, BecomesTheBackupWhenTheRecordFileIsMissing) {
  const std::string stale = other_record;
  const record_fields saved = short_fields(2, 0);
  run_result r = run(every_field_args(saved), put(".data.ba1", stale));
  EXPECT_RAN(r, report_text(saved) + saved_line, 0);
  expect_saved(record_image(saved), stale);
}

// A copy aside that a full partition left empty must not become the backup
// when a later rebuild finds no record file: the backup, by then the only
// copy of the unit's old identity, stays whole.
TEST_F(TransientBackup, AFailedCopyAsideNeverReplacesTheBackup) {
  const record_fields first = short_fields(3, lan_bypass_flag);
  run_result r1 = run(every_field_args(first));
  EXPECT_RAN(r1, report_text(first) + saved_line, 0);
  expect_saved(record_image(first), std::nullopt);

  record_fields second = first;
  second.serial_number = "SN-2";
  run_result r2 = run({"-s", "SN-2"});
  EXPECT_RAN(r2, report_text(second) + saved_line, 0);
  expect_saved(record_image(second), record_image(first));

  run_result full = run({"-s", "SN-3"}, {"--fill"});
  EXPECT_RAN(full, save_failed_line, 1);
  expect_unit({{".data", record_image(second)}, {".data.bak", record_image(first)}},
              record_image(second));

  // With no record file and no cached copy, the unit is built anew.
  record_fields rebuilt = short_fields(5, 0);
  rebuilt.serial_number = "REBUILT";
  run_result r3 = run(every_field_args(rebuilt), {"--unfill", "--remove", ".data", "--no-cache"});
  EXPECT_RAN(r3, report_text(rebuilt) + saved_line, 0);
  expect_saved(record_image(rebuilt), record_image(first));
}

// With no record file to copy, a transient backup left from before survives
// the copy aside; only a whole record may then become the backup.
TEST_F(StaleTransientBackup, IsRemovedWhenTheRecordFileIsMissingAndItIsNotWhole) {
  struct stale_case {
    const char* name;
    std::string bytes;
  };
  const std::vector<stale_case> cases = {
      {"empty", ""},
      {"one byte short", other_record.substr(0, 163)},
      {"its header alone", other_record.substr(0, 20)},
      {"bad magic", with_bytes(other_record, magic_at, "XASK")},
      {"bad version", with_bytes(other_record, format_version_at, "1.0.1")},
  };
  const record_fields saved = short_fields(2, 0);
  for (const stale_case& c : cases) {
    SCOPED_TRACE(c.name);
    // The record file and the cached copy that the save before left go.
    run_result r = run(every_field_args(saved, {"-d", "1"}),
                       join({{"--no-cache", "--remove", ".data"}, put(".data.bak", example_record),
                             put(".data.ba1", c.bytes)}));
    EXPECT_RAN(r,
               fill_echoes + "cannot read data!\n" + full_save_lines + report_text(saved) +
                   saved_line,
               0);
    expect_saved(record_image(saved), example_record);
  }
}

// A record file that is not a whole record is copied aside like any other,
// but it does not take the place of the backup.
TEST_F(TransientBackup, ARecordFileThatIsNotWholeIsNotKept) {
  record_fields saved = example_fields();
  saved.serial_number = "NEW";
  run_result r = run({"-s", "NEW"}, join({put(".data", example_record.substr(0, 100)),
                                         put(".data.bak", other_record), cache(example_record)}));
  EXPECT_RAN(r, report_text(saved) + saved_line, 0);
  expect_saved(record_image(saved), other_record);
}

// A save killed at its rename leaves the record as it was and its one
// temporary file; a second killed save still leaves one, and the next save
// removes it.
TEST_F(TemporaryFile, AKilledSaveLeavesOneAndTheNextSaveRemovesIt) {
  if (!have_program("strace"))
    return;
  setup_list setup = unit_holding(example_record);
  for (const char* serial : {"KILLED-1", "KILLED-2"}) {
    SCOPED_TRACE(serial);
    record_fields written = example_fields();
    written.serial_number = serial;
    run_result killed = run_on_appliance(killed_at_first_rename({"-s", serial}), setup);
    EXPECT_EQ(killed.out, "");
    EXPECT_EQ(killed.status, 128 + SIGKILL);
    // The copy aside is whole, the new record is whole in its own file, the
    // cached copy is gone so that the next run fills it from the record
    // file, and the partition stays mounted, as a killed save leaves it.
    EXPECT_EQ(partition_names(), (std::vector<std::string>{".data", ".data.ba1", ".data.new"}));
    EXPECT_BYTES(partition_file(".data"), example_record);
    EXPECT_BYTES(partition_file(".data.ba1"), example_record);
    EXPECT_BYTES(partition_file(".data.new"), record_image(written));
    EXPECT_BYTES(cached_copy(), std::nullopt);
    EXPECT_TRUE(left_mounted());
    setup = {};
  }

  record_fields saved = example_fields();
  saved.serial_number = "NEW";
  run_result r = run({"-s", "NEW"});
  EXPECT_RAN(r, report_text(saved) + saved_line, 0);
  expect_saved(record_image(saved), example_record);
}

}  // namespace
