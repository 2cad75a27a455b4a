// Links, FIFOs and directories where the program's own files belong. It
// runs as root, so it must never write through a link into a file that is
// not its own, copy a file that a link leads to, or wait forever on a FIFO.

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "command_echoes.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "report_text.h"
#include "result_lines.h"

namespace {

using HostileFiles = appliance_test;

// A hung run ends here with status 124 rather than holding the suite up.
std::vector<std::string> within_a_minute(const std::vector<std::string>& args) {
  return unitinfo_under({"timeout", "60"}, args);
}

const std::string victim_bytes = "a file of the unit that is not the program's own\n";

enum class planted { link, fifo };

TEST_F(HostileFiles, ALinkOrFifoAmongTheSaveFilesIsReplacedNeverFollowed) {
  struct hostile_case {
    const char* name;
    planted what;
    const char* partition_name;  // nullptr: at the cached copy's path
  };
  const std::vector<hostile_case> cases = {
      {"a link at the cached copy", planted::link, nullptr},
      {"a FIFO at the cached copy", planted::fifo, nullptr},
      {"a link at .data.ba1", planted::link, ".data.ba1"},
      {"a FIFO at .data.ba1", planted::fifo, ".data.ba1"},
      {"a link at .data.bak", planted::link, ".data.bak"},
      {"a FIFO at .data.bak", planted::fifo, ".data.bak"},
  };
  record_fields saved = example_fields();
  saved.serial_number = "NEW";
  for (const hostile_case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string victim = bytes_file(victim_bytes);
    setup_list setup;
    if (c.partition_name == nullptr) {
      setup = put(".data", example_record);
      const std::string cache_path = state + "/tesra/.cf_data";
      unlink(cache_path.c_str());  // the copy that the case before saved
      ASSERT_EQ(c.what == planted::link ? symlink(victim.c_str(), cache_path.c_str())
                                        : mkfifo(cache_path.c_str(), 0644),
                0);
    } else {
      setup = join({put(".data", example_record), cache(example_record),
                    {"--remove", c.partition_name},
                    c.what == planted::link
                        ? setup_list{"--link", c.partition_name, victim}
                        : setup_list{"--fifo", c.partition_name}});
    }
    run_result r = run_on_appliance(within_a_minute({"-i", "-s", "NEW"}), setup);
    EXPECT_RAN(r, example_report + report_text(saved) + saved_line, 0);
    expect_saved(record_image(saved), example_record);
    EXPECT_BYTES(read_file(victim), victim_bytes);
  }
}

// A record file that is a link or a FIFO counts as missing: nothing is
// copied from it, and a rebuild puts a record file of its own in its place.
TEST_F(HostileFiles, ARecordFileThatIsNoRegularFileCountsAsMissing) {
  const record_fields rebuilt = short_fields(4, lan_bypass_flag);
  for (planted what : {planted::link, planted::fifo}) {
    SCOPED_TRACE(what == planted::link ? "a link" : "a FIFO");
    const std::string elsewhere = bytes_file(other_record);
    const setup_list at_data = what == planted::link
                                   ? setup_list{"--remove", ".data", "--link", ".data", elsewhere}
                                   : setup_list{"--remove", ".data", "--fifo", ".data"};
    run_result shown =
        run_on_appliance(within_a_minute({"-i"}), join({at_data, {"--no-cache"}}));
    EXPECT_RAN(shown, invalid_line, 0);
    EXPECT_EQ(partition_names(), std::vector<std::string>{".data"});
    EXPECT_BYTES(cached_copy(), std::nullopt);

    run_result r = run_on_appliance(within_a_minute(every_field_args(rebuilt)));
    EXPECT_RAN(r, report_text(rebuilt) + saved_line, 0);
    expect_saved(record_image(rebuilt), std::nullopt);
    EXPECT_BYTES(read_file(elsewhere), other_record);
  }
}

// A directory at the cached copy's path cannot be removed: it is no copy,
// and nothing is copied into it.
TEST_F(HostileFiles, ADirectoryAtTheCachedCopyIsNeitherReadNorCopiedInto) {
  ASSERT_EQ(mkdir((state + "/tesra/.cf_data").c_str(), 0755), 0);
  run_result r = run({"-d", "1", "-i"}, put(".data", example_record));
  EXPECT_RAN(r, umount_echo + mount_echo + mkdir_echo + umount_echo + "cannot read data!\n" +
                    invalid_line,
             0);
  EXPECT_EQ(partition_names(), std::vector<std::string>{".data"});
  EXPECT_BYTES(partition_file(".data"), example_record);
}

// A folder where the copy aside or the backup belongs cannot be removed:
// cp would copy into it and mv would move the copy into it, so the save
// stops before it writes anything.
TEST_F(HostileFiles, AFolderWhereACopyBelongsFailsTheSave) {
  for (const char* name : {".data.ba1", ".data.bak"}) {
    SCOPED_TRACE(name);
    run_result r = run({"-d", "1", "-s", "NEW"},
                       join({unit_holding(example_record), {"--remove", ".data.ba1", "--remove",
                                                            ".data.bak", "--mkdir", name}}));
    EXPECT_RAN(r, umount_echo + mount_echo + mkdir_echo + "cannot keep the old data file!\n" +
                      umount_echo + save_failed_line,
               1);
    EXPECT_EQ(partition_names(), (std::vector<std::string>{".data", name}));
    EXPECT_BYTES(partition_file(".data"), example_record);
    EXPECT_EQ(names_in(state + "/partition/" + name), std::vector<std::string>{"kept"});
    EXPECT_BYTES(cached_copy(), example_record);
  }
}

}  // namespace
