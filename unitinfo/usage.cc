#include "usage.h"

#include "options.h"

namespace {

// The listing names every option by its letter beside its long name, in one
// format; a row without a letter would print a NUL in its place.
constexpr bool every_row_has_a_letter() {
  for (const option_row& row : option_rows)
    if (row.letter == 0)
      return false;
  return true;
}
static_assert(every_row_has_a_letter());

}  // namespace

void write_usage(std::FILE* out, const char* program_name) {
  std::fprintf(out, "%s [options] <IP address>\n", program_name);
  std::fputs("options:\n", out);
  for (std::size_t i = 0; long_options[i].name != nullptr; ++i) {
    const option& entry = long_options[i];
    const char* value = entry.has_arg != no_argument ? "<arg>" : "";
    std::fprintf(out, "-%c|--%-10s %-7s %s\n", entry.val, entry.name, value, option_rows[i].help);
  }
}

int print_usage(const char* program_name) {
  write_usage(stdout, program_name);
  return 0;
}
