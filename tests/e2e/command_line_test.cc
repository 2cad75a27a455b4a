// The command line as the operator types it: help, the parser's errors,
// runs with nothing to set, and values too long for their fields.

#include <string>
#include <vector>

#include "appliance_fixture.h"
#include "example_unit.h"
#include "record_bytes.h"
#include "usage_listing.h"

namespace {

using CommandLine = appliance_test;

TEST_F(CommandLine, HelpPrintsTheListingAndDoesNothingElse) {
  const std::string usage = usage_listing(unitinfo_binary);
  expect_each_run(
      {
          {"-h", {"-h"}, usage},
          {"--help", {"--help"}, usage},
          {"abbreviated --he", {"--he"}, usage},
          {"-i before -h shows nothing", {"-i", "-h"}, usage},
          {"nothing after -h is read", {"-h", "-i", "-q"}, usage},
          {"a field before -h is not saved", {"-s", "NEW", "-h"}, usage},
      },
      unit_holding(example_record), {{".data", example_record}}, example_record);
}

TEST_F(CommandLine, ParserErrorsPrintTheListingAndFail) {
  struct arguments_case {
    const char* name;
    std::vector<std::string> args;
  };
  const std::vector<arguments_case> cases = {
      {"unknown letter", {"-q"}},
      {"unknown long name", {"--bogus"}},
      {"-s without its value", {"-s"}},
      {"--serial without its value", {"--serial"}},
      {"-d last, without its value", {"-i", "-d"}},
      {"--info takes no value", {"--info=1"}},
      {"--debug takes no value", {"--debug=1"}},
      {"ambiguous --lb", {"--lb"}},
      {"ambiguous --h: help or hw", {"--h"}},
      {"-i before the error shows nothing", {"-i", "-q"}},
      {"a field before the error is not saved", {"-s", "NEW", "--nope"}},
      {"a field before a missing value is not saved", {"-s", "NEW", "-p"}},
  };
  for (const arguments_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r = run(c.args, unit_holding(example_record));
    EXPECT_EQ(r.out, usage_listing(unitinfo_binary));
    EXPECT_NE(r.err, "");  // the parser's own complaint
    EXPECT_EQ(r.status, 1);
    expect_unit({{".data", example_record}}, example_record);
  }
}

// With no cached copy, any load would fill one from the record file. Each
// run starts without one, whatever the run before it left.
TEST_F(CommandLine, NothingToSetLoadsNothingAndPrintsNothing) {
  expect_each_run(
      {
          {"--debug alone", {"--debug"}, ""},
          {"-d with its value", {"-d", "1"}, ""},
          {"-i as the value of -d", {"-d", "-i"}, ""},
          {"-x 65535", {"-x", "65535"}, ""},
          {"-x -1", {"-x", "-1"}, ""},
          {"-x whose low 16 bits are 65535", {"-x", "131071"}, ""},
          {"--macv= -1 with a blank", {"--macv= -1"}, ""},
          {"an operand", {"192.0.2.1"}, ""},
          {"an empty operand", {""}, ""},
          {"a lone double dash", {"--"}, ""},
          {"options after a double dash are operands", {"--", "-s", "NEW", "-i"}, ""},
      },
      join({{"--no-cache"}, put(".data", example_record)}), {{".data", example_record}},
      std::nullopt);
}

TEST_F(CommandLine, ValuesLongerThanTheirFieldAreRefusedBeforeAnythingIsTouched) {
  expect_each_run(
      {
          {"serial number", {"-s", text_of_length("S", 32)},
           "serial number is too long: at most 31 characters\n", 1},
          {"model name", {"--model", text_of_length("M", 32)},
           "model name is too long: at most 31 characters\n", 1},
          {"variant", {"-v", text_of_length("V", 16)},
           "variant is too long: at most 15 characters\n", 1},
          {"OEM ID", {"--oem_id=" + text_of_length("O", 16)},
           "OEM ID is too long: at most 15 characters\n", 1},
          {"CF batch", {"-w", text_of_length("C", 8)},
           "CF batch is too long: at most 7 characters\n", 1},
          {"product code", {"-p", text_of_length("P", 24)},
           "product code is too long: at most 23 characters\n", 1},
          {"with -i and good fields: no report either",
           {"-i", "-s", "GOOD", "-B", "-p", text_of_length("P", 24)},
           "product code is too long: at most 23 characters\n", 1},
          {"far too long, with -d", {"-d", "1", "-v", text_of_length("V", 5000)},
           "variant is too long: at most 15 characters\n", 1},
          {"as an otherwise empty run", {"-x", "-1", "-w", text_of_length("C", 100)},
           "CF batch is too long: at most 7 characters\n", 1},
      },
      join({{"--no-cache"}, put(".data", example_record)}), {{".data", example_record}},
      std::nullopt);
}

}  // namespace
