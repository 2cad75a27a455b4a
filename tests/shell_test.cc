#include "shell.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

#include "verbose.h"

namespace {

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
