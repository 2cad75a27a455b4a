// Many runs at once on one unit: each must see the appliance to itself, so
// that every save succeeds and the record, its backup and the cached copy
// end up whole and consistent.

#include <sys/stat.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "report_text.h"
#include "result_lines.h"

namespace {

using Concurrency = appliance_test;

constexpr int run_count = 20;

// Starts every run in the background, each keeping its output and exit
// status in files of its own, and waits for all of them. The words after
// the folder and the count start the binary.
constexpr char start_all[] =
    "dir=$1; count=$2; shift 2; i=1\n"
    "while [ \"$i\" -le \"$count\" ]; do\n"
    "  ( \"$@\" -s \"SERIAL-$i\" >\"$dir/out.$i\" 2>\"$dir/err.$i\"; "
    "echo $? >\"$dir/status.$i\" ) &\n"
    "  i=$((i + 1))\n"
    "done\n"
    "wait\n";

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// What run `n` of start_all left in `dir`: its output, its error output and
// its exit status; a status file that is not one number and a line feed
// leaves the status at -1.
run_result recorded_run(const std::string& dir, int n) {
  const std::string suffix = "." + std::to_string(n);
  run_result r = {.out = file_text(dir + "/out" + suffix), .err = file_text(dir + "/err" + suffix)};
  const std::string status = file_text(dir + "/status" + suffix);
  int value = -1;
  const char* end = status.data() + status.size();
  auto [rest, error] = std::from_chars(status.data(), end, value);
  if (error == std::errc() && rest + 1 == end && *rest == '\n')
    r.status = value;
  return r;
}

// One way of running many saves at once: what each run is given besides
// its own serial number, the record it saves, and what it prints.
struct concurrency_case {
  const char* name;
  setup_list tesra;               // how the cache folder is set up
  std::vector<std::string> args;  // given before -s SERIAL-i
  record_fields fields;           // the saved record, but for its serial number
  std::string printed_before;     // what comes before the closing line
  bool shows_saved_record;        // whether the report of the saved record does
};

std::string serial_record(const concurrency_case& c, int i) {
  record_fields fields = c.fields;
  fields.serial_number = "SERIAL-" + std::to_string(i);
  return record_image(fields);
}

// The run whose record `image` is, or 0.
int run_of(const concurrency_case& c, const std::optional<std::string>& image) {
  if (!image)
    return 0;
  for (int i = 1; i <= run_count; ++i)
    if (*image == serial_record(c, i))
      return i;
  return 0;
}

TEST_F(Concurrency, SimultaneousSavesAllSucceedAndLeaveAConsistentUnit) {
  const record_fields rebuilt = short_fields(3, lan_bypass_flag);
  std::vector<std::string> rebuild_args = every_field_args(rebuilt);
  rebuild_args.erase(rebuild_args.begin(), rebuild_args.begin() + 2);  // the -s pair
  const std::vector<concurrency_case> cases = {
      // No cached copy yet: the first run to come fills it, and no other
      // may mount the partition while it does.
      {"with the cache folder", {}, {}, example_fields(), "", true},
      // Without it every load fails: each run rebuilds the record from
      // every field, and the runs must still take turns.
      {"without the cache folder", {"--no-tesra"}, rebuild_args, rebuilt, invalid_line, false},
  };
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const concurrency_case& c = cases[k];
    SCOPED_TRACE(c.name);
    const std::string dir = state + "/runs." + std::to_string(k);
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);

    const std::vector<std::string> command = unitinfo_under(
        {"/bin/sh", "-c", start_all, "start_all", dir, std::to_string(run_count)}, c.args);
    // The case before left a backup and a cached copy.
    run_result r = run_on_appliance(
        command, join({put(".data", example_record), {"--remove", ".data.bak", "--no-cache"},
                       c.tesra}));
    ASSERT_PRED_FORMAT3(ran_as, r, "", 0);

    for (int i = 1; i <= run_count; ++i) {
      SCOPED_TRACE("run " + std::to_string(i));
      // The report after each save is that very save's record: no other
      // run came between the save and its show.
      record_fields fields = c.fields;
      fields.serial_number = "SERIAL-" + std::to_string(i);
      EXPECT_RAN(recorded_run(dir, i),
                 c.printed_before + (c.shows_saved_record ? report_text(fields) : "") +
                     saved_line,
                 0);
    }

    int last = run_of(c, partition_file(".data"));
    EXPECT_NE(last, 0) << "the record file is not one of the saved records";
    EXPECT_BYTES(cached_copy(), c.shows_saved_record ? partition_file(".data") : std::nullopt);
    // The backup is the record of the save before the last.
    int before_last = run_of(c, partition_file(".data.bak"));
    EXPECT_NE(before_last, 0) << "the backup is not one of the saved records";
    EXPECT_NE(before_last, last);
    EXPECT_EQ(partition_names(), (std::vector<std::string>{".data", ".data.bak"}));
    EXPECT_FALSE(left_mounted());
  }
}

}  // namespace
