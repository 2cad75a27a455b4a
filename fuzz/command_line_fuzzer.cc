// Any argument vector, run through the whole program in this process: it must
// end with status 0 or 1, never leave the boot partition mounted, keep a valid
// cached copy, and leave the cached copy alone unless a save was asked for.
//
// The program works on fixed paths and mounts through the shell, so this
// runs only on a test appliance (tests/appliance.sh), started with a valid
// record as both the cached copy and the record file:
//   appliance.sh STATE --cache RECORD --put .data RECORD -- command_line_fuzzer ...
// Pass -close_fd_mask=2 to keep the parser's complaints off the terminal.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "options.h"
#include "paths.h"
#include "run.h"
#include "unit_record.h"
#include "verbose.h"

namespace {

// Arguments after the program name; enough for every option at once.
constexpr std::size_t max_arguments = 16;

void require(bool ok) {
  if (!ok)
    __builtin_trap();
}

[[noreturn]] void setup_failed(const char* why) {
  std::fprintf(stderr, "command_line_fuzzer: %s\n", why);
  std::abort();
}

std::vector<unsigned char> read_cache() {
  std::vector<unsigned char> bytes;
  if (std::FILE* file = std::fopen(cache_path.c_str(), "rb")) {
    unsigned char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
      bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
  }
  return bytes;
}

bool holds_valid_record(const std::vector<unsigned char>& bytes) {
  unit_record record;
  return decode_record_image(bytes.data(), bytes.size(), record) == record_valid;
}

// True when /proc/self/mountinfo has an entry at `mount_point_path`, and,
// when `source` is given, one whose mount source is that name.
bool mounted_at(const char* mount_point_path, const char* source = nullptr) {
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  while (std::getline(table, line)) {
    // ID PARENT MAJ:MIN ROOT MOUNT-POINT OPTIONS [TAGS...] - TYPE SOURCE ...
    std::istringstream fields(line);
    std::string word, point;
    for (int i = 0; i < 5 && fields >> word; ++i)
      point = word;
    if (point != mount_point_path)
      continue;
    if (source == nullptr)
      return true;
    while (fields >> word && word != "-") {
    }
    std::string type, name;
    fields >> type >> name;
    if (name == source)
      return true;
  }
  return false;
}

// Argument texts kept alive for the vector that points into them.
struct argument_vector {
  std::vector<std::string> texts;
  std::vector<char*> pointers;

  explicit argument_vector(const std::vector<std::string>& words) : texts(words) {
    for (std::string& text : texts)
      pointers.push_back(text.data());
    pointers.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(texts.size()); }
  char** argv() { return pointers.data(); }
};

// The input split on NUL bytes: "-s\0X" is the two arguments -s and X.
std::vector<std::string> split_arguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words{"unitinfo"};
  std::size_t start = 0;
  for (std::size_t i = 0; i <= size && words.size() <= max_arguments; ++i) {
    if (i == size || data[i] == 0) {
      if (i > start || i < size)
        words.emplace_back(reinterpret_cast<const char*>(data) + start, i - start);
      start = i + 1;
    }
  }
  return words;
}

// Decided from the options alone, before the run: a save is asked for by a
// run that parses, has no overlong text and has something to set. Whether
// the record then turns out valid does not matter.
bool asks_for_save(const std::vector<std::string>& words) {
  argument_vector copy(words);  // the parser reorders what it is given
  run_options opts;
  bool asked = parse_options(copy.argc(), copy.argv(), opts) == parse_run &&
               overlong_field(opts.values) < 0 && !nothing_to_set(opts.values);
  verbose = 0;
  return asked;
}

std::vector<unsigned char> baseline;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Never on the host: the program unmounts and mounts /mnt/bootloader.
  if (!mounted_at("/mnt", "appliance-mnt"))
    setup_failed("run me on a test appliance: tests/appliance.sh STATE ... -- command_line_fuzzer");
  baseline = read_cache();
  if (!holds_valid_record(baseline))
    setup_failed("the appliance needs a valid cached copy (--cache RECORD --put .data RECORD)");
  if (mounted_at(mount_point.c_str()))
    setup_failed("the boot partition is mounted already");
  if (std::freopen("/dev/null", "w", stdout) == nullptr)
    setup_failed("cannot send standard output to /dev/null");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words = split_arguments(data, size);
  bool save_asked = asks_for_save(words);

  argument_vector args(words);
  verbose = 0;
  int status = unitinfo_main(args.argc(), args.argv());
  std::fflush(stdout);
  verbose = 0;

  require(status == 0 || status == 1);
  // Every mount, for a fill or a save, is paired with an unmount.
  require(!mounted_at(mount_point.c_str()));

  std::vector<unsigned char> cache = read_cache();
  if (!save_asked)
    require(cache == baseline);
  // A save writes only stamped records, so the copy stays valid.
  require(holds_valid_record(cache));
  baseline = cache;
  return 0;
}
