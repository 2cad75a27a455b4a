#include "record_reader.h"

#include <cstdio>

#include "paths.h"
#include "regular_file.h"
#include "verbose.h"

namespace {

// One read of at most this much; only the first 164 bytes count.
constexpr std::size_t read_buffer_size = 40960;

void warn_config_version(unsigned version) {
  if (verbose)
    std::fputs("data file has unsupported version: ", stdout);
  // Not only for the warning: with or without verbose, as this reader always
  // has, what the run printed so far goes out before a newer record is used.
  std::fflush(stdout);
  if (verbose)
    std::printf("%u\n", version);
}

}  // namespace

int read_record_cache(unit_record& record) {
  unsigned char buffer[read_buffer_size];
  long count = read_regular_file(cache_path.c_str(), buffer, sizeof buffer);
  if (count < 0) {
    verbose_line("cannot read data!");
    return 1;
  }

  switch (decode_record_image(buffer, static_cast<std::size_t>(count), record)) {
    case record_too_short:
      verbose_line("data file corrupted!");
      return 1;
    case record_bad_header:
      verbose_line("incorrect data file header!");
      return 1;
    case record_valid:
      break;
  }
  if (record.config_version > 1)
    warn_config_version(record.config_version);
  return 0;
}
