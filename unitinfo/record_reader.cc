#include "record_reader.h"

#include <cstdio>

#include "paths.h"
#include "verbose.h"

namespace {

// One read of at most this much; only the first 164 bytes count.
constexpr std::size_t read_buffer_size = 40960;

void warn_config_version(unsigned version) {
  if (verbose)
    std::fputs("data file has unsupported version: ", stdout);
  std::fflush(stdout);
  if (verbose)
    std::printf("%u\n", version);
}

}  // namespace

int read_record_cache(unit_record& record) {
  std::FILE* file = std::fopen(cache_path.c_str(), "r");
  if (file == nullptr) {
    verbose_line("cannot read data!");
    return 1;
  }
  unsigned char buffer[read_buffer_size];
  std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);

  switch (decode_record_image(buffer, count, record)) {
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
