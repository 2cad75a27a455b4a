#include "options.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "verbose.h"

namespace {

struct parsed {
  std::list<std::string> args;  // the values point into these; a list never moves them
  parse_result result;
  run_options opts;
  int verbose;
};

// Parses `args` as the words after the program name.
parsed parse(const std::vector<std::string>& args) {
  parsed p{};
  p.args.assign(args.begin(), args.end());
  p.args.push_front("unitinfo");
  std::vector<char*> argv;
  for (std::string& arg : p.args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  verbose = 0;
  p.result = parse_options(static_cast<int>(p.args.size()), argv.data(), p.opts);
  p.verbose = verbose;
  verbose = 0;
  return p;
}

// A text value as a string, or "(absent)".
std::string text_of(const parsed& p, text_field field) {
  const char* text = p.opts.values.text[field];
  return text != nullptr ? text : "(absent)";
}

std::string serial(const parsed& p) {
  return text_of(p, field_serial_number);
}

TEST(ParseOptions, EveryOptionShortAndLong) {
  for (bool long_form : {false, true}) {
    auto opt = [&](const char* letter, const char* name) {
      return std::string(long_form ? "--" : "-") + (long_form ? name : letter);
    };
    parsed p = parse({opt("s", "serial"), "S", opt("m", "model"), "M", opt("v", "variant"), "V",
                      opt("o", "oem_id"), "O", opt("w", "hw"), "W", opt("x", "macv"), "7",
                      opt("p", "pcode"), "P", opt("B", "lbe"), opt("i", "info")});
    ASSERT_EQ(p.result, parse_run) << long_form;
    const char* expected[] = {"S", "M", "V", "O", "W", "P"};
    for (std::size_t i = 0; i < text_field_count; ++i)
      EXPECT_STREQ(p.opts.values.text[i], expected[i]) << long_form << " field " << i;
    EXPECT_EQ(p.opts.values.hardware_version, 7);
    EXPECT_EQ(p.opts.values.lan_bypass_choice, lan_bypass_set);
    EXPECT_TRUE(p.opts.show_request);
    EXPECT_EQ(p.verbose, 0);
  }
}

TEST(ParseOptions, ShowRequest) {
  EXPECT_TRUE(parse({}).opts.show_request);            // no argument at all
  EXPECT_FALSE(parse({"10.0.0.1"}).opts.show_request);  // operands ask for nothing
  EXPECT_FALSE(parse({"--"}).opts.show_request);
  EXPECT_FALSE(parse({"-d", "-i"}).opts.show_request);  // -i is the value of -d
  EXPECT_TRUE(parse({"-i", "-d", "x"}).opts.show_request);
}

TEST(ParseOptions, ValuesAndRepeats) {
  parsed p = parse({"-sA", "--serial", "B", "-B", "-b", "-x", "3", "--macv=4"});
  EXPECT_EQ(serial(p), "B");  // the last value wins
  EXPECT_EQ(p.opts.values.lan_bypass_choice, lan_bypass_clear);
  EXPECT_EQ(p.opts.values.hardware_version, 4);

  p = parse({"-s", "-m"});  // a value is taken whatever it looks like
  EXPECT_EQ(serial(p), "-m");
  EXPECT_EQ(text_of(p, field_model_name), "(absent)");

  p = parse({"--serial=A", "-s", ""});  // an empty value is a value
  EXPECT_EQ(serial(p), "");
  EXPECT_FALSE(nothing_to_set(p.opts.values));

  p = parse({"10.0.0.1", "-s", "A", "extra"});  // operands among the options
  EXPECT_EQ(p.result, parse_run);
  EXPECT_EQ(serial(p), "A");
}

TEST(ParseOptions, DebugTakesAValueOnlyInItsShortForm) {
  parsed p = parse({"-d", "x"});
  EXPECT_EQ(p.result, parse_run);
  EXPECT_EQ(p.verbose, 1);
  EXPECT_TRUE(nothing_to_set(p.opts.values));
  p = parse({"--debug", "-s", "A"});
  EXPECT_EQ(p.verbose, 1);
  EXPECT_EQ(serial(p), "A");
}

TEST(ParseOptions, HelpAndRejectedOptionsStopTheParse) {
  struct Case {
    std::vector<std::string> args;
    parse_result expected;
  };
  const Case cases[] = {
      {{"-h"}, parse_help},
      {{"--help"}, parse_help},
      {{"-h", "--bogus"}, parse_help},  // nothing after the help option is read
      {{"-s", "A", "-q"}, parse_error},
      {{"--bogus"}, parse_error},
      {{"-s"}, parse_error},
      {{"--serial"}, parse_error},
      {{"-d"}, parse_error},
      {{"--info=1"}, parse_error},
      {{"--lb"}, parse_error},  // lbe or lbd
      {{"--m", "A"}, parse_error},  // model or macv
      {{"--q", "-h"}, parse_error},
  };
  for (const Case& c : cases)
    EXPECT_EQ(parse(c.args).result, c.expected) << testing::PrintToString(c.args);
}

TEST(ParseOptions, UniqueAbbreviationIsTheOption) {
  parsed p = parse({"--ser", "A", "--pc=P"});
  EXPECT_EQ(p.result, parse_run);
  EXPECT_EQ(serial(p), "A");
  EXPECT_EQ(text_of(p, field_product_code), "P");
}

TEST(ParseHardwareVersion, DecimalModulo65536) {
  struct Case {
    const char* text;
    std::uint16_t expected;
  };
  const Case cases[] = {
      {"2", 2},         {"0", 0},         {"65535", 65535}, {"-1", 65535},
      {"65536", 0},     {"65537", 1},     {"abc", 0},       {"", 0},
      {"  12xyz", 12},  {"+5", 5},        {"-65536", 0},    {"4294967298", 2},
      {"1000000000000000000007", 7},  // far past any integer type
  };
  for (const Case& c : cases)
    EXPECT_EQ(parse_hardware_version(c.text), c.expected) << '"' << c.text << '"';
}

TEST(NothingToSet, HardwareVersion65535IsNoneGiven) {
  EXPECT_TRUE(nothing_to_set(parse({"-x", "65535"}).opts.values));
  EXPECT_TRUE(nothing_to_set(parse({"-x", "-1"}).opts.values));
  EXPECT_FALSE(nothing_to_set(parse({"-x", "65536"}).opts.values));
  EXPECT_FALSE(nothing_to_set(parse({"-b"}).opts.values));
  EXPECT_TRUE(nothing_to_set(parse({"-i", "-d", "x"}).opts.values));
}

TEST(EverythingGiven, NeedsEveryFieldAVersionAndABypassChoice) {
  std::vector<std::string> all = {"-s", "S", "-m", "M", "-v", "V", "-o", "O",
                                  "-w", "W", "-p", "P", "-x", "1"};
  EXPECT_FALSE(everything_given(parse(all).opts.values));
  all.push_back("-b");
  EXPECT_TRUE(everything_given(parse(all).opts.values));
  all.push_back("-x65535");
  EXPECT_FALSE(everything_given(parse(all).opts.values));
}

TEST(OverlongField, LimitIsTheWidthLessOne) {
  const char* letters[] = {"-s", "-m", "-v", "-o", "-w", "-p"};
  const std::size_t limits[] = {31, 31, 15, 15, 7, 23};
  for (std::size_t i = 0; i < text_field_count; ++i) {
    EXPECT_EQ(overlong_field(parse({letters[i], std::string(limits[i], 'a')}).opts.values), -1)
        << i;
    EXPECT_EQ(overlong_field(parse({letters[i], std::string(limits[i] + 1, 'a')}).opts.values),
              static_cast<int>(i))
        << i;
  }
  EXPECT_EQ(overlong_field(parse({"-w", "12345678", "-s", std::string(40, 'a')}).opts.values),
            field_serial_number);  // the first field in record order is named
}

}  // namespace
