#include "options.h"

#include <cctype>

#include "verbose.h"

std::uint16_t parse_hardware_version(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text)))
    ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+')
    ++text;
  std::uint16_t value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*text)); ++text)
    value = static_cast<std::uint16_t>(value * 10u + static_cast<unsigned>(*text - '0'));
  return negative ? static_cast<std::uint16_t>(0u - value) : value;
}

static const option_row* find_row(int letter) {
  for (const option_row& row : option_rows)
    if (row.letter == letter)
      return &row;
  return nullptr;
}

parse_result parse_options(int argc, char** argv, run_options& opts) {
  opts = run_options{};
  opts.show_request = argc == 1;
  optind = 0;  // start afresh, also when called more than once in a process
  int c;
  while ((c = getopt_long(argc, argv, short_options.data(), long_options.data(), nullptr)) != -1) {
    const option_row* row = find_row(c);
    if (row == nullptr)
      return parse_error;
    if (row->field >= 0) {
      opts.values.text[static_cast<std::size_t>(row->field)] = optarg;
      continue;
    }
    switch (c) {
      case 'i': opts.show_request = true; break;
      case 'x': opts.values.hardware_version = parse_hardware_version(optarg); break;
      case 'B': opts.values.lan_bypass_choice = lan_bypass_set; break;
      case 'b': opts.values.lan_bypass_choice = lan_bypass_clear; break;
      case 'd': verbose = 1; break;
      case 'h': return parse_help;
    }
  }
  return parse_run;
}
