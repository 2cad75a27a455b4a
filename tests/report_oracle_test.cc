#include "report_oracle.h"

#include <gtest/gtest.h>

#include "example_unit.h"

namespace {

// What the end-to-end and fuzz tests expect of every record rests on the
// oracle; here it meets the report written out by hand. How it reads what
// the example leaves out (texts without a NUL, short copies, a hardware
// version of 0) the record fuzzer checks against the program itself.
TEST(ExpectedReport, ExampleRecordGivesTheExampleReport) {
  EXPECT_EQ(expected_report(example_record), example_report);
}

}  // namespace
