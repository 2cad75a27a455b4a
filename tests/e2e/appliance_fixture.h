// A test appliance of its own for each test: the unitinfo binary run through
// tests/appliance.sh on a fresh state folder, with the exact bytes of what it
// printed and of the files it left behind.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// The binary as the appliance calls it; the usage line begins with this path.
inline constexpr char unitinfo_binary[] = UNITINFO_BINARY;

// The words that start the binary: its path, after the runner that starts
// it where the build names one (the appliance build's, which chooses the C
// library and runs the 32-bit binary under qemu where this machine's kernel
// cannot). The program still sees its own path as its name.
std::vector<std::string> unitinfo_command();

// `before`, then unitinfo_command(), then `args`: the words that run the
// binary with `args`, under another command when `before` names one
// (strace, env, timeout, a shell).
std::vector<std::string> unitinfo_under(std::vector<std::string> before,
                                        const std::vector<std::string>& args = {});

// The words that run the binary with `args`.
std::vector<std::string> unitinfo_with(const std::vector<std::string>& args);

// LeakSanitizer cannot work under ptrace: a sanitized binary that strace
// traces runs without it. The variable means nothing to any other build.
inline constexpr char leak_check_off[] = "ASAN_OPTIONS=detect_leaks=0";

// The words that run unitinfo with `args` under strace with `options`.
std::vector<std::string> traced(const std::vector<std::string>& options,
                                const std::vector<std::string>& args);

// What one command on the appliance gave back.
struct run_result {
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error, byte for byte
  int status = -1;  // exit status; 128 + the signal when killed
};

// The whole bytes of the file at `path`; nullopt when there is none. Any
// other file than a regular one there is a failure of the test.
std::optional<std::string> read_file(const std::string& path);

// Every name in the folder `dir`, sorted.
std::vector<std::string> names_in(const std::string& dir);

// The setup options of appliance.sh, ready to be joined into one list.
using setup_list = std::vector<std::string>;

// The partition's .info files by name, each with its whole bytes.
using partition_files = std::map<std::string, std::string>;

// One row of a table of runs: what the case is called, the arguments
// (argv[1] on), all that the run prints on standard output and the status it
// ends with. A run of a table prints nothing on standard error.
struct run_case {
  const char* name;
  std::vector<std::string> args;
  std::string out;
  int status = 0;
};

class appliance_test : public ::testing::Test {
 protected:
  // Makes the state folder and a first, empty boot partition; skips the
  // test when the machine cannot run an appliance (fails it under CI=true).
  void SetUp() override;
  // Removes the state folder.
  void TearDown() override;

  // Runs unitinfo with exactly `args` (argv[1] on) after the appliance
  // setup options `setup`.
  run_result run(const std::vector<std::string>& args, const setup_list& setup = {});

  // Runs any command on the appliance, e.g. a shell that starts many
  // unitinfo processes at once.
  run_result run_on_appliance(const std::vector<std::string>& command,
                              const setup_list& setup = {});

  // Whether `program` is in PATH. When it is not, the test is skipped
  // (failed under CI=true) and should return at once.
  bool have_program(const char* program);

  // A new file in the state folder that holds `bytes`, for --put and --cache.
  std::string bytes_file(const std::string& bytes, mode_t mode = 0644);

  // Setup that places `bytes` as .info/`name` on the boot partition, first
  // removing any older file so that `bytes_file`'s mode is taken over too.
  setup_list put(const std::string& name, const std::string& bytes, mode_t mode = 0644);
  // Setup that seeds the cached copy with `bytes`.
  setup_list cache(const std::string& bytes);
  // Setup for a unit that holds `record` as its record file and its cached
  // copy, and `backup`, when given, as its backup.
  setup_list unit_holding(const std::string& record,
                          const std::optional<std::string>& backup = std::nullopt);

  // Makes `text` the executable STATE/bin/`name` and returns STATE/bin: a
  // command that stands in for the machine's own when put first in PATH.
  std::string stand_in_command(const std::string& name, const std::string& text);

  // The partition's .info files as the last call left them; nullopt when
  // absent.
  std::optional<std::string> partition_file(const std::string& name) const;
  // Permission bits of a partition file, or -1 when absent.
  int partition_mode(const std::string& name) const;
  // Every name in the partition's .info folder, sorted.
  std::vector<std::string> partition_names() const;
  // The cached copy /var/run/tesra/.cf_data; nullopt when absent.
  std::optional<std::string> cached_copy() const;
  // Whether the last call left the boot partition mounted.
  bool left_mounted() const;

  // What the last call left on the unit: exactly `files` on the partition,
  // the cached copy `copy` (nullopt: none), nothing left mounted.
  void expect_unit(const partition_files& files, const std::optional<std::string>& copy) const;

  // What a successful save leaves: the record file holds `record` and the
  // cached copy equals it, the backup holds `backup` (absent after a first
  // save), no transient backup or temporary file is left, nothing mounted.
  void expect_saved(const std::string& record, const std::optional<std::string>& backup) const;

  // Runs each of `cases` in turn with `setup`, on this one appliance, each
  // after the ones before it: every run must be as its row says and leave
  // the unit as expect_unit(`files`, `copy`) says.
  void expect_each_run(const std::vector<run_case>& cases, const setup_list& setup,
                       const partition_files& files, const std::optional<std::string>& copy);

  // The state folder, an absolute path.
  std::string state;

 private:
  int files_made = 0;
};

// Joins setup lists in order: join({put(...), cache(...), {"--no-fstab"}}).
setup_list join(const std::vector<setup_list>& parts);

// Whole-content comparison of file bytes with a readable account of where
// they differ. Use through EXPECT_BYTES.
::testing::AssertionResult same_bytes(const char* actual_expr, const char* expected_expr,
                                      const std::optional<std::string>& actual,
                                      const std::optional<std::string>& expected);

#define EXPECT_BYTES(actual, expected) EXPECT_PRED_FORMAT2(same_bytes, actual, expected)

// A run that printed exactly `out` on standard output, nothing on standard
// error, and ended with `status`. Use through EXPECT_RAN.
::testing::AssertionResult ran_as(const char* result_expr, const char* out_expr,
                                  const char* status_expr, const run_result& result,
                                  const std::string& out, int status);

#define EXPECT_RAN(result, out, status) EXPECT_PRED_FORMAT3(ran_as, result, out, status)
