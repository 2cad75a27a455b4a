// The command line: one table of options, from which the parser's long and
// short option lists and the usage listing are all made.
#pragma once

#include <getopt.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "unit_record.h"
#include "update.h"

struct option_row {
  char letter;
  const char* name;
  int long_value;         // no_argument or required_argument, for --name
  bool short_value;       // whether -letter takes a value
  int field;              // the text field it sets, or -1
  const char* help;
};

// -d takes a value that is ignored; --debug takes none.
inline constexpr option_row option_rows[] = {
    {'i', "info", no_argument, false, -1, "show information"},
    {'s', "serial", required_argument, true, field_serial_number, "set serial number"},
    {'m', "model", required_argument, true, field_model_name, "set model name"},
    {'v', "variant", required_argument, true, field_variant, "set variant"},
    {'o', "oem_id", required_argument, true, field_oem_id, "set oem id"},
    {'w', "hw", required_argument, true, field_cf_batch, "set CF card batch number"},
    {'x', "macv", required_argument, true, -1, "set hardware version"},
    {'B', "lbe", no_argument, false, -1, "set LAN bypass flag"},
    {'b', "lbd", no_argument, false, -1, "reset LAN bypass flag"},
    {'p', "pcode", required_argument, true, field_product_code, "product code"},
    {'h', "help", no_argument, false, -1, "show these messages"},
    {'d', "debug", no_argument, true, -1, "print verbose information"},
};
inline constexpr std::size_t option_count = std::size(option_rows);

constexpr std::array<option, option_count + 1> make_long_options() {
  std::array<option, option_count + 1> table{};  // ends in an all-zero entry
  for (std::size_t i = 0; i < option_count; ++i)
    table[i] = option{option_rows[i].name, option_rows[i].long_value, nullptr,
                      option_rows[i].letter};
  return table;
}

constexpr std::array<char, 2 * option_count + 1> make_short_options() {
  std::array<char, 2 * option_count + 1> text{};
  std::size_t n = 0;
  for (const option_row& row : option_rows) {
    text[n++] = row.letter;
    if (row.short_value)
      text[n++] = ':';
  }
  return text;
}

// The long table handed to getopt_long. Its entries follow option_rows index
// for index, which is how the usage listing finds each one's help text.
inline constexpr auto long_options = make_long_options();
inline constexpr auto short_options = make_short_options();
static_assert(std::string_view(short_options.data()) == "is:m:v:o:w:x:Bbp:hd:");

// What one run was asked to do. A text value is the option's own argument,
// which lives as long as the process.
struct run_options {
  field_values values;
  bool show_request = false;
};

enum parse_result { parse_run, parse_help, parse_error };

// Reads the command line into `opts`; -d turns `verbose` on. Stops at -h or
// at the first option the parser rejects, whose complaint it writes to
// standard error.
parse_result parse_options(int argc, char** argv, run_options& opts);

// A decimal number as atoi reads it (blanks, a sign, digits), kept modulo
// 65536 so that any length of digits has one meaning.
std::uint16_t parse_hardware_version(const char* text);
