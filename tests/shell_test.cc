#include "shell.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

#include "commands.h"
#include "paths.h"
#include "verbose.h"

namespace {

// Each path and command text whole, as the appliance and its scripts know
// them; the program builds them from the mount point and the cache folder.
static_assert(mount_point.view() == "/mnt/bootloader");
static_assert(info_dir.view() == "/mnt/bootloader/.info");
static_assert(record_path.view() == "/mnt/bootloader/.info/.data");
static_assert(transient_backup_path.view() == "/mnt/bootloader/.info/.data.ba1");
static_assert(backup_path.view() == "/mnt/bootloader/.info/.data.bak");
static_assert(temp_record_name.view() == ".data.new");
static_assert(run_lock_dir.view() == "/var/run");
static_assert(cache_dir.view() == "/var/run/tesra");
static_assert(cache_path.view() == "/var/run/tesra/.cf_data");

static_assert(unmount_command.view() == "umount /mnt/bootloader");
static_assert(mount_command.view() == "mount /mnt/bootloader");
static_assert(make_info_dir_command.view() == "mkdir -p /mnt/bootloader/.info");
static_assert(copy_to_transient_backup.view() ==
              "cp -f /mnt/bootloader/.info/.data /mnt/bootloader/.info/.data.ba1  > /dev/null");
static_assert(move_to_backup.view() ==
              "mv /mnt/bootloader/.info/.data.ba1 /mnt/bootloader/.info/.data.bak > /dev/null");
static_assert(copy_record_to_cache.view() ==
              "cp -f /mnt/bootloader/.info/.data /var/run/tesra/.cf_data");
// The texts end at their NUL: what the shell receives is what view() shows.
static_assert(std::string_view(copy_to_transient_backup.c_str()).size() == 78);

TEST(FormatCommandLine, AddsTheRedirectionToEveryText) {
  char line[command_line_size];
  ASSERT_TRUE(format_command_line("umount /mnt/bootloader", line));
  EXPECT_STREQ(line, "umount /mnt/bootloader > /dev/null 2>&1 \n");
  ASSERT_TRUE(format_command_line("mv a b > /dev/null", line));
  EXPECT_STREQ(line, "mv a b > /dev/null > /dev/null 2>&1 \n");
}

TEST(FormatCommandLine, LongestTextThatFits) {
  char line[command_line_size];
  std::string text(1012, 'a');
  ASSERT_TRUE(format_command_line(text.c_str(), line));
  EXPECT_EQ(std::string(line), text + " > /dev/null 2>&1 \n");
  text += 'a';
  EXPECT_FALSE(format_command_line(text.c_str(), line));
}

TEST(RunCommand, ReturnsTheShellStatusUndecoded) {
  EXPECT_EQ(run_command("true"), 0);
  int status = run_command("exit 3");
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(run_command("echo noise; echo more >&2"), 0);  // and says nothing
}

TEST(RunCommand, EchoesTheLineOnlyUnderVerbose) {
  testing::internal::CaptureStdout();
  run_command("true");
  verbose = 1;
  run_command("true 100%");
  verbose = 0;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "true 100% > /dev/null 2>&1 \n");
}

TEST(RunCommand, RefusesATextTooLongToRunWhole) {
  std::string text = "true " + std::string(1100, 'a');
  EXPECT_EQ(run_command(text.c_str()), -1);
}

}  // namespace
