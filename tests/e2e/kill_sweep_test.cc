// A save killed at any system call of its own: whatever it leaves, the next
// show prints the record that the record file holds, old or new, the next
// one-field save keeps that record's other fields, the backup is whole, and
// no more than one stray file is left.
//
// strace counts "when=" for each call name apart, so the sweep takes every
// name of an uninjected trace and every count up to its last, from the
// run's first own call on (its lock on /var/run): a kill before that can
// change nothing. The points are dealt out to shards that run side by side.

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "result_lines.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "report_text.h"

namespace {

constexpr int shard_count = 16;

class KillSweep : public appliance_test, public ::testing::WithParamInterface<int> {};

// The n-th call of one name.
struct kill_point {
  std::string call;
  int nth;
};

// One point on one appliance: the save killed by strace, in a session of
// its own; once it has ended, a wait for what it started and left running
// (a cp or a umount outlives a killed program); a snapshot of what it left
// on the partition (SNAP/) and in the cached copy (SNAP.cache), and its
// status (SNAP.status); then the next run, which shows and saves one field.
//
//   sh -c SCRIPT sh SNAP INJECTION UNITINFO...
const std::string kill_then_run_again =
    "snap=$1 inject=$2; shift 2\n"
    "{ setsid -w sh -c 'echo $$ >\"$0.session\"; exec \"$@\"' \"$snap\" "
    "strace -E " + std::string(leak_check_off) +
    " -o /dev/null -e \"$inject\" -- \"$@\" -s KILLED; } >/dev/null 2>&1\n"
    "echo $? >\"$snap.status\"\n"
    "while pgrep -s \"$(cat \"$snap.session\")\" >/dev/null; do sleep 0.02; done\n"
    "mountpoint -q /mnt/bootloader || mount /mnt/bootloader || exit 125\n"
    "mkdir \"$snap\" && cp -a /mnt/bootloader/.info/. \"$snap/\" || exit 125\n"
    "umount /mnt/bootloader || exit 125\n"
    "if [ -e /var/run/tesra/.cf_data ]; then cp /var/run/tesra/.cf_data \"$snap.cache\" || exit 125; fi\n"
    "exec \"$@\" -i -s NEXT\n";

std::vector<kill_point> points_of(const std::string& trace_path) {
  std::ifstream in(trace_path);
  std::map<std::string, int> seen;
  std::vector<kill_point> points;
  bool started = false;
  for (std::string line; std::getline(in, line);) {
    std::size_t paren = line.find('(');
    if (paren == std::string::npos || line.rfind("---", 0) == 0 || line.rfind("+++", 0) == 0)
      continue;
    const std::string call = line.substr(0, paren);
    int nth = ++seen[call];
    started = started || line.find("\"/var/run\"") != std::string::npos;
    if (started)
      points.push_back({call, nth});
  }
  return points;
}

TEST_P(KillSweep, EveryCallOfASaveLeavesAUnitThatShowsAndSavesWhole) {
  if (!have_program("strace") || !have_program("setsid") || !have_program("pgrep") ||
      !have_program("mountpoint"))
    return;
  record_fields killed_fields = example_fields();
  killed_fields.serial_number = "KILLED";
  const std::string killed_record = record_image(killed_fields);
  const setup_list unit = unit_holding(example_record, other_record);

  const std::string trace = state + "/trace";
  ASSERT_EQ(run_on_appliance(traced({"-o", trace}, {"-s", "KILLED"}), unit).status, 0);
  const std::vector<kill_point> points = points_of(trace);
  ASSERT_FALSE(points.empty()) << "no call of the run's own in " << trace;

  for (std::size_t p = static_cast<std::size_t>(GetParam()); p < points.size();
       p += shard_count) {
    const kill_point& point = points[p];
    SCOPED_TRACE(point.call + " #" + std::to_string(point.nth));
    const std::string snap = state + "/after." + std::to_string(p);
    run_result r = run_on_appliance(
        unitinfo_under({"sh", "-c", kill_then_run_again, "sh", snap,
                        "inject=" + point.call + ":signal=SIGKILL:when=" +
                            std::to_string(point.nth)}),
        unit);
    const std::optional<std::string> killed_status = read_file(snap + ".status");
    EXPECT_TRUE(killed_status == "137\n" || killed_status == "0\n") << killed_status.value_or("no status");

    // Only the program's own files, the new one at most once.
    for (const std::string& name : names_in(snap))
      EXPECT_TRUE(name == ".data" || name == ".data.bak" || name == ".data.ba1" ||
                  name == ".data.new")
          << name;
    const std::optional<std::string> record = read_file(snap + "/.data");
    const bool renamed = record == killed_record;
    EXPECT_TRUE(renamed || record == example_record);
    const std::optional<std::string> backup = read_file(snap + "/.data.bak");
    EXPECT_TRUE(backup == other_record || backup == example_record);
    if (const std::optional<std::string> aside = read_file(snap + "/.data.ba1")) {
      EXPECT_BYTES(aside, example_record);
    }
    // The cached copy never outlives the record it copies.
    if (const std::optional<std::string> copy = read_file(snap + ".cache")) {
      EXPECT_BYTES(copy, record);
    }

    // The next run shows the record that the record file holds and builds
    // its save on it.
    record_fields shown = renamed ? killed_fields : example_fields();
    record_fields next = shown;
    next.serial_number = "NEXT";
    EXPECT_RAN(r, report_text(shown) + report_text(next) + saved_line, 0);
    expect_saved(record_image(next), record_image(shown));
  }
}

INSTANTIATE_TEST_SUITE_P(Shards, KillSweep, ::testing::Range(0, shard_count));

}  // namespace
