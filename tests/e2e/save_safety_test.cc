// A save keeps its word: it writes only onto the boot partition, keeps the
// previous record or writes nothing, never leaves a cached copy older than
// the record file, and a run whose output was lost does not pass for one
// that worked. Faults land where they must through stand-ins for the
// machine's commands and through strace.

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "command_echoes.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "report_text.h"
#include "result_lines.h"

namespace {

using SaveSafety = appliance_test;

// The words that run unitinfo with `args` and with the commands of `bin`
// before the machine's own.
std::vector<std::string> with_commands_of(const std::string& bin,
                                          const std::vector<std::string>& args) {
  const char* path = std::getenv("PATH");
  return unitinfo_under({"env", "PATH=" + bin + ":" + (path ? path : "/usr/bin:/bin")}, args);
}

// A stand-in takes the machine's own command by dropping its own folder,
// the first in PATH.
constexpr char machine_path[] = "#!/bin/sh\nPATH=${PATH#*:}\n";

// Something else on the unit takes the boot partition down right after the
// save's mount: "mkdir -p" then makes ".info" on the filesystem beneath the
// mount point. The save must not write there and report success.
TEST_F(SaveSafety, AForeignUnmountAfterTheMountFailsTheSaveAndWritesNothing) {
  const std::string bin = stand_in_command(
      "mount", std::string(machine_path) + "mount \"$@\" || exit\numount /mnt/bootloader\n");
  struct unmount_case {
    std::vector<std::string> args;
    std::string out;
  };
  const std::vector<unmount_case> cases = {
      {{"-s", "NEW"}, save_failed_line},
      // As after a failed mount: no unmount of its own follows.
      {{"-d", "1", "-s", "NEW"}, umount_echo + mount_echo + mkdir_echo + save_failed_line},
  };
  for (const unmount_case& c : cases) {
    SCOPED_TRACE(c.args.front());
    run_result r = run_on_appliance(with_commands_of(bin, c.args),
                                    unit_holding(example_record, other_record));
    EXPECT_RAN(r, c.out, 1);
    expect_unit({{".data", example_record}, {".data.bak", other_record}}, example_record);
  }
}

// Killed between the rename over ".data" and the refresh of the cached
// copy, by SIGKILL or by a supervisor's SIGTERM: no old copy is left, so
// the next run shows the new record and the next save builds on it.
TEST_F(SaveSafety, ARunKilledAfterTheRenameLeavesNoOldCachedCopy) {
  if (!have_program("strace"))
    return;
  record_fields renamed = example_fields();
  renamed.model_name = "NEWMODEL";
  record_fields next = renamed;
  next.serial_number = "NEXT";
  for (const char* signal : {"SIGKILL", "SIGTERM"}) {
    SCOPED_TRACE(signal);
    // The save's second fsync is the directory's, after the rename.
    run_result killed = run_on_appliance(
        traced({"-o", "/dev/null", "-e", std::string("inject=fsync:signal=") + signal + ":when=2"},
               {"-m", "NEWMODEL"}),
        unit_holding(example_record, other_record));
    EXPECT_EQ(killed.out, "");
    EXPECT_EQ(killed.status, 128 + (std::string(signal) == "SIGKILL" ? SIGKILL : SIGTERM));
    EXPECT_EQ(partition_names(), (std::vector<std::string>{".data", ".data.ba1", ".data.bak"}));
    EXPECT_BYTES(partition_file(".data"), record_image(renamed));
    EXPECT_BYTES(cached_copy(), std::nullopt);

    run_result r = run({"-i", "-s", "NEXT"});
    EXPECT_RAN(r, report_text(renamed) + report_text(next) + saved_line, 0);
    expect_saved(record_image(next), record_image(renamed));
  }
}

// The copy aside of a whole record file did not leave its very bytes in
// ".data.ba1": the save removes what it left and writes nothing, since the
// previous record would otherwise be nowhere.
TEST_F(SaveSafety, ACopyAsideThatLosesTheWholeRecordFailsTheSave) {
  struct copy_case {
    const char* name;
    const char* copy_aside;  // what the stand-in cp does for ".data.ba1"
  };
  const std::vector<copy_case> cases = {
      {"the copy fails", "exit 1"},
      {"the copy stops after 100 bytes", "head -c 100 \"$2\" >\"$3\"; exit 0"},
      {"the copy holds another whole record", "cat \"${3%.ba1}.bak\" >\"$3\"; exit 0"},
  };
  const std::string verbose_out = umount_echo + mount_echo + mkdir_echo + transient_backup_echo +
                                  "cannot keep the old data file!\n" + umount_echo +
                                  save_failed_line;
  for (const copy_case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bin = stand_in_command(
        "cp", std::string(machine_path) + "case $3 in */.data.ba1) " + c.copy_aside +
                  " ;; esac\nexec cp \"$@\"\n");
    run_result plain = run_on_appliance(with_commands_of(bin, {"-s", "NEW"}),
                                        unit_holding(example_record, other_record));
    EXPECT_RAN(plain, save_failed_line, 1);
    expect_unit({{".data", example_record}, {".data.bak", other_record}}, example_record);

    run_result verbose = run_on_appliance(with_commands_of(bin, {"-d", "1", "-s", "NEW"}),
                                          unit_holding(example_record, other_record));
    EXPECT_RAN(verbose, verbose_out, 1);
    expect_unit({{".data", example_record}, {".data.bak", other_record}}, example_record);
  }
}

// Output that cannot be written fails the run, after its work is done.
TEST_F(SaveSafety, LostOutputIsAFailureAndASaveMadeStaysMade) {
  record_fields saved = example_fields();
  saved.serial_number = "NEW";
  struct output_case {
    std::vector<std::string> args;
    partition_files left;
  };
  const std::vector<output_case> cases = {
      {{"-i"}, {{".data", example_record}, {".data.bak", other_record}}},
      {{"-h"}, {{".data", example_record}, {".data.bak", other_record}}},
      {{"-s", "NEW"}, {{".data", record_image(saved)}, {".data.bak", example_record}}},
  };
  for (const output_case& c : cases) {
    SCOPED_TRACE(c.args.front());
    run_result r = run_on_appliance(unitinfo_under({"sh", "-c", "\"$@\" >/dev/full", "sh"}, c.args),
                                    unit_holding(example_record, other_record));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "cannot write standard output!\n");
    EXPECT_EQ(r.status, 1);
    expect_unit(c.left, c.left.at(".data"));
  }
}

// The two promises that make a save whole: it holds the lock on ".info"
// before it writes the new file, and the new file is on the disk before the
// rename, which is made durable by syncing the directory.
TEST_F(SaveSafety, TheSaveLocksWritesSyncsRenamesAndSyncsTheDirectoryInThatOrder) {
  if (!have_program("strace"))
    return;
  const std::string trace = state + "/trace";
  const std::vector<std::string> command =
      traced({"-y", "-o", trace, "-e", "trace=flock,write,fsync,rename,renameat,renameat2"},
             {"-s", "NEW"});
  record_fields saved = example_fields();
  saved.serial_number = "NEW";
  run_result r = run_on_appliance(command, unit_holding(example_record, other_record));
  EXPECT_RAN(r, report_text(saved) + saved_line, 0);
  expect_saved(record_image(saved), example_record);

  std::ifstream in(trace);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  // The first line at or after `from` that starts with `call` and holds
  // every one of `parts`; lines.size() when there is none.
  auto find = [&](std::size_t from, const std::string& call,
                  const std::vector<std::string>& parts) {
    for (std::size_t i = from; i < lines.size(); ++i) {
      bool found = lines[i].rfind(call, 0) == 0;
      for (const std::string& part : parts)
        found = found && lines[i].find(part) != std::string::npos;
      if (found)
        return i;
    }
    return lines.size();
  };
  const std::string info = "</mnt/bootloader/.info>";
  const std::string new_file = "</mnt/bootloader/.info/.data.new>";
  std::size_t lock = find(0, "flock(", {info, "LOCK_EX"});
  std::size_t write = find(0, "write(", {new_file});
  std::size_t synced = find(0, "fsync(", {new_file});
  std::size_t renamed = find(0, "rename", {"\".data.new\""});
  std::size_t dir_synced = find(renamed, "fsync(", {info + ")"});
  std::string all;
  for (const std::string& line : lines)
    all += line + "\n";
  EXPECT_LT(lock, write) << all;
  EXPECT_LT(write, synced) << all;
  EXPECT_LT(synced, renamed) << all;
  EXPECT_LT(dir_synced, lines.size()) << all;
}

}  // namespace
