#include "run.h"

#include <cstdio>

#include "cache.h"
#include "options.h"
#include "report.h"
#include "run_lock.h"
#include "update.h"
#include "usage.h"

namespace {

// Show, load, update and the closing report. Returns the exit status.
int run_flow(const run_options& opts) {
  if (opts.show_request)
    show_record();
  if (nothing_to_set(opts.values))
    return 0;

  // Only the status counts here: the update loads the record again, so that
  // it builds on the cached copy as it is at that moment.
  unit_record scratch{};
  int loaded = load_record(scratch);
  if (loaded != 0 && !everything_given(opts.values)) {
    std::puts("data file is invalid, please enter all information.");
    return 1;
  }
  int saved = update_record(loaded == 0, opts.values);
  if (saved != 0) {
    std::puts("fail to save the information!");
    return 1;
  }
  show_record();
  std::puts("information saved!\n");
  return 0;
}

// Every outcome of the command line, before the output is checked.
int run_command_line(int argc, char** argv) {
  const char* program_name = argc > 0 && argv[0] != nullptr ? argv[0] : "unitinfo";
  run_options opts;
  switch (parse_options(argc, argv, opts)) {
    case parse_help:
      return print_usage(program_name);
    case parse_error:
      print_usage(program_name);
      return 1;
    case parse_run:
      break;
  }
  if (int field = overlong_field(opts.values); field >= 0) {
    const text_field_info& info = text_fields[static_cast<std::size_t>(field)];
    std::printf("%s is too long: at most %zu characters\n", info.label, info.width - 1);
    return 1;
  }
  if (!opts.show_request && nothing_to_set(opts.values))
    return 0;

  int lock = take_run_lock();
  int status = run_flow(opts);
  release_run_lock(lock);
  return status;
}

// Output that never arrived is no success: a script that reads the report
// must not take a run that lost it for one that worked. What the run did
// stays done; only its status says so.
int check_output(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout))
    return status;
  std::fputs("cannot write standard output!\n", stderr);
  return 1;
}

}  // namespace

int unitinfo_main(int argc, char** argv) {
  return check_output(run_command_line(argc, argv));
}
