#include "usage.h"

#include "options.h"

void write_usage(std::FILE* out, const char* program_name) {
  std::fprintf(out, "%s [options] <IP address>\n", program_name);
  std::fputs("options:\n", out);
  for (std::size_t i = 0; long_options[i].name != nullptr; ++i) {
    const option& entry = long_options[i];
    const char* value = entry.has_arg != no_argument ? "<arg>" : "";
    if (entry.val != 0)
      std::fprintf(out, "-%c|--%-10s %-7s %s\n", entry.val, entry.name, value, option_rows[i].help);
    else
      std::fprintf(out, "--%-10s %-10s %s\n", entry.name, value, option_rows[i].help);
  }
}

int print_usage(const char* program_name) {
  write_usage(stdout, program_name);
  return 0;
}
