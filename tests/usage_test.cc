#include "usage.h"

#include <gtest/gtest.h>

#include <string>

#include "stream_capture.h"
#include "usage_listing.h"

namespace {

std::string usage_text(const char* program_name) {
  return written_by([&](std::FILE* out) { write_usage(out, program_name); });
}

TEST(WriteUsage, WholeListing) {
  EXPECT_EQ(usage_text("unitinfo"), usage_listing("unitinfo"));
}

TEST(WriteUsage, ProgramNameAsTypedWhateverItsLength) {
  std::string path = "/usr/local/sbin/" + std::string(600, 'u');
  EXPECT_EQ(usage_text(path.c_str()), usage_listing(path));
}

}  // namespace
