// The C library that the appliance build's tests run on: the one the test
// runner chose, and, where the suite runs on the appliance's older library,
// the stand-ins that the C++ runtime needs there.
#include <gnu/libc-version.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

namespace {

TEST(CLibrary, IsTheOneTheRunnerChose) {
  const char* expected = std::getenv("UNITINFO_EXPECTED_LIBC");
  if (expected == nullptr)
    GTEST_SKIP() << "the runner could not tell which C library it chose";
  EXPECT_STREQ(gnu_get_libc_version(), expected);
}

// Every throw asks the C library where the frames of the code are.
TEST(CLibrary, ExceptionsUnwind) {
  EXPECT_THROW(throw std::runtime_error("thrown"), std::runtime_error);
  EXPECT_THROW(static_cast<void>(std::string().at(1)), std::out_of_range);
}

TEST(CLibrary, RandomDeviceReads) {
  std::random_device device;
  unsigned first = device();
  bool differs = false;
  for (int i = 0; i < 8 && !differs; ++i)
    differs = device() != first;
  EXPECT_TRUE(differs);
}

}  // namespace
