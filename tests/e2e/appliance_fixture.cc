#include "appliance_fixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

constexpr char appliance_script[] = APPLIANCE_SCRIPT;

// appliance.sh's own status when it could not set the appliance up.
constexpr int appliance_setup_failed = 125;

bool under_ci() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

bool found_in_path(const char* program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/sbin:/usr/bin:/sbin:/bin";
  std::stringstream list(dirs);
  std::string dir;
  while (std::getline(list, dir, ':')) {
    std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0)
      return true;
  }
  return false;
}

// What the machine lacks to run an appliance, or the empty text.
std::string missing_capability() {
  if (geteuid() != 0)
    return "not running as root";
  for (const char* program : {"unshare", "mount", "mkfs.ext2", "mountpoint"})
    if (!found_in_path(program))
      return std::string("no ") + program + " in PATH";
  if (access("/dev/loop-control", R_OK | W_OK) != 0)
    return "no usable /dev/loop-control";
  return "";
}

void drain(int fd, std::string& into, bool& open_flag) {
  char buffer[4096];
  ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) {
    into.append(buffer, static_cast<std::size_t>(n));
  } else if (n == 0 || errno != EINTR) {
    close(fd);
    open_flag = false;
  }
}

// Runs `argv` with standard input from /dev/null and both outputs captured
// apart, and waits for it.
run_result execute(const std::vector<std::string>& argv) {
  run_result result;
  int out_pipe[2];
  int err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return result;
  }
  if (pipe2(err_pipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    close(out_pipe[0]);
    close(out_pipe[1]);
    return result;
  }
  std::vector<std::string> words = argv;
  std::vector<char*> args;
  for (std::string& word : words)
    args.push_back(word.data());
  args.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDONLY);
    if (null < 0 || dup2(null, 0) < 0 || dup2(out_pipe[1], 1) < 0 || dup2(err_pipe[1], 2) < 0)
      _exit(126);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (pid < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    close(out_pipe[0]);
    close(err_pipe[0]);
    return result;
  }

  bool out_open = true;
  bool err_open = true;
  while (out_open || err_open) {
    pollfd fds[2];
    nfds_t count = 0;
    if (out_open)
      fds[count++] = {out_pipe[0], POLLIN, 0};
    if (err_open)
      fds[count++] = {err_pipe[0], POLLIN, 0};
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR)
        continue;
      ADD_FAILURE() << "poll: " << std::strerror(errno);
      break;
    }
    for (nfds_t i = 0; i < count; ++i) {
      if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
        continue;
      if (fds[i].fd == out_pipe[0])
        drain(out_pipe[0], result.out, out_open);
      else
        drain(err_pipe[0], result.err, err_open);
    }
  }
  if (out_open)
    close(out_pipe[0]);
  if (err_open)
    close(err_pipe[0]);

  int wait_status = 0;
  while (waitpid(pid, &wait_status, 0) < 0) {
    if (errno != EINTR) {
      ADD_FAILURE() << "waitpid: " << std::strerror(errno);
      return result;
    }
  }
  if (WIFEXITED(wait_status))
    result.status = WEXITSTATUS(wait_status);
  else if (WIFSIGNALED(wait_status))
    result.status = 128 + WTERMSIG(wait_status);
  return result;
}

int remove_entry(const char* path, const struct stat*, int, FTW*) {
  return remove(path);
}

std::string hex_dump(const std::string& bytes) {
  std::string out;
  char cell[24];
  for (std::size_t row = 0; row < bytes.size(); row += 16) {
    std::snprintf(cell, sizeof cell, "%04zx:", row);
    out += cell;
    for (std::size_t i = row; i < std::min(row + 16, bytes.size()); ++i) {
      std::snprintf(cell, sizeof cell, " %02x", static_cast<unsigned char>(bytes[i]));
      out += cell;
    }
    out += '\n';
  }
  return out;
}

}  // namespace

std::optional<std::string> read_file(const std::string& path) {
  // A link or a FIFO where a file of the program's belongs is a finding,
  // not something to follow or to wait on.
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT)
      ADD_FAILURE() << "cannot open " << path << ": " << std::strerror(errno);
    return std::nullopt;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ADD_FAILURE() << path << " is not a regular file";
    close(fd);
    return std::nullopt;
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      bytes.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      ADD_FAILURE() << "read " << path << ": " << std::strerror(errno);
      break;
    }
  }
  close(fd);
  return bytes;
}

void appliance_test::SetUp() {
  std::string missing = missing_capability();
  if (missing.empty()) {
    char folder[] = "/tmp/unitinfo-e2e.XXXXXX";
    if (mkdtemp(folder) == nullptr)
      FAIL() << "mkdtemp: " << std::strerror(errno);
    state = folder;
    // The first call makes the boot partition; it is also the proof that
    // namespaces, loop devices and mounting work here.
    run_result probe = execute({appliance_script, state, "--", "/bin/true"});
    if (probe.status != 0)
      missing = "the appliance could not be set up (status " + std::to_string(probe.status) +
                "): " + probe.err;
  }
  if (!missing.empty()) {
    if (under_ci())
      FAIL() << "the end-to-end tests need root, unshare and loop devices: " << missing
             << " (CI=true: a missing capability is a failure)";
    GTEST_SKIP() << "the end-to-end tests need root, unshare and loop devices: " << missing;
  }
}

void appliance_test::TearDown() {
  if (state.empty())
    return;
  if (nftw(state.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS) != 0)
    ADD_FAILURE() << "cannot remove the state folder " << state;
  state.clear();
}

std::vector<std::string> unitinfo_command() {
  std::string_view runner = UNITINFO_RUNNER;
  if (runner.empty())
    return {unitinfo_binary};
  return {std::string(runner), unitinfo_binary};
}

std::vector<std::string> unitinfo_under(std::vector<std::string> before,
                                        const std::vector<std::string>& args) {
  for (const std::string& word : unitinfo_command())
    before.push_back(word);
  before.insert(before.end(), args.begin(), args.end());
  return before;
}

std::vector<std::string> unitinfo_with(const std::vector<std::string>& args) {
  return unitinfo_under({}, args);
}

std::vector<std::string> traced(const std::vector<std::string>& options,
                                const std::vector<std::string>& args) {
  std::vector<std::string> command = {"strace", "-E", leak_check_off};
  command.insert(command.end(), options.begin(), options.end());
  command.push_back("--");
  return unitinfo_under(command, args);
}

run_result appliance_test::run(const std::vector<std::string>& args, const setup_list& setup) {
  return run_on_appliance(unitinfo_with(args), setup);
}

run_result appliance_test::run_on_appliance(const std::vector<std::string>& command,
                                            const setup_list& setup) {
  std::vector<std::string> argv = {appliance_script, state};
  argv.insert(argv.end(), setup.begin(), setup.end());
  argv.push_back("--");
  argv.insert(argv.end(), command.begin(), command.end());
  run_result result = execute(argv);
  if (result.status == appliance_setup_failed)
    ADD_FAILURE() << "the appliance could not be set up: " << result.err;
  return result;
}

bool appliance_test::have_program(const char* program) {
  if (found_in_path(program))
    return true;
  if (under_ci())
    ADD_FAILURE() << "this test needs " << program << " (CI=true: a missing program is a failure)";
  else
    [program] { GTEST_SKIP() << "this test needs " << program; }();
  return false;
}

std::string appliance_test::bytes_file(const std::string& bytes, mode_t mode) {
  std::string path = state + "/seed." + std::to_string(++files_made);
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    ADD_FAILURE() << "cannot create " << path << ": " << std::strerror(errno);
    return path;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      ADD_FAILURE() << "cannot write " << path << ": " << std::strerror(errno);
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (fchmod(fd, mode) != 0)
    ADD_FAILURE() << "cannot chmod " << path << ": " << std::strerror(errno);
  close(fd);
  return path;
}

setup_list appliance_test::put(const std::string& name, const std::string& bytes, mode_t mode) {
  return {"--remove", name, "--put", name, bytes_file(bytes, mode)};
}

setup_list appliance_test::cache(const std::string& bytes) {
  return {"--cache", bytes_file(bytes)};
}

setup_list appliance_test::unit_holding(const std::string& record,
                                        const std::optional<std::string>& backup) {
  setup_list setup = join({put(".data", record), cache(record)});
  if (backup)
    setup = join({setup, put(".data.bak", *backup)});
  return setup;
}

std::string appliance_test::stand_in_command(const std::string& name, const std::string& text) {
  const std::string dir = state + "/bin";
  if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
    ADD_FAILURE() << "cannot make " << dir << ": " << std::strerror(errno);
  const std::string path = dir + "/" + name;
  if (rename(bytes_file(text, 0755).c_str(), path.c_str()) != 0)
    ADD_FAILURE() << "cannot make " << path << ": " << std::strerror(errno);
  return dir;
}

std::optional<std::string> appliance_test::partition_file(const std::string& name) const {
  return read_file(state + "/partition/" + name);
}

int appliance_test::partition_mode(const std::string& name) const {
  struct stat info;
  if (stat((state + "/partition/" + name).c_str(), &info) != 0)
    return -1;
  return static_cast<int>(info.st_mode & 07777);
}

std::vector<std::string> names_in(const std::string& dir) {
  std::vector<std::string> names;
  DIR* folder = opendir(dir.c_str());
  if (folder == nullptr) {
    ADD_FAILURE() << "no folder " << dir;
    return names;
  }
  while (const dirent* entry = readdir(folder)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  closedir(folder);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> appliance_test::partition_names() const {
  return names_in(state + "/partition");
}

std::optional<std::string> appliance_test::cached_copy() const {
  return read_file(state + "/tesra/.cf_data");
}

bool appliance_test::left_mounted() const {
  return access((state + "/mounted").c_str(), F_OK) == 0;
}

void appliance_test::expect_unit(const partition_files& files,
                                 const std::optional<std::string>& copy) const {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : files) {
    names.push_back(name);
    EXPECT_BYTES(partition_file(name), bytes) << name;
  }
  EXPECT_EQ(partition_names(), names);  // both in std::string's order
  EXPECT_BYTES(cached_copy(), copy);
  EXPECT_FALSE(left_mounted());
}

void appliance_test::expect_saved(const std::string& record,
                                  const std::optional<std::string>& backup) const {
  partition_files files = {{".data", record}};
  if (backup)
    files[".data.bak"] = *backup;
  expect_unit(files, record);
}

void appliance_test::expect_each_run(const std::vector<run_case>& cases, const setup_list& setup,
                                     const partition_files& files,
                                     const std::optional<std::string>& copy) {
  for (const run_case& c : cases) {
    SCOPED_TRACE(c.name);
    run_result r = run(c.args, setup);
    EXPECT_RAN(r, c.out, c.status);
    expect_unit(files, copy);
  }
}

setup_list join(const std::vector<setup_list>& parts) {
  setup_list all;
  for (const setup_list& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

::testing::AssertionResult ran_as(const char* result_expr, const char* out_expr,
                                  const char* status_expr, const run_result& result,
                                  const std::string& out, int status) {
  if (result.out == out && result.err.empty() && result.status == status)
    return ::testing::AssertionSuccess();
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << result_expr << " is not a run that printed " << out_expr << " and ended with "
          << status_expr << "\n";
  if (result.out != out)
    failure << "standard output:\n" << result.out << "\nexpected:\n" << out << "\n";
  if (!result.err.empty())
    failure << "standard error:\n" << result.err << "\n";
  if (result.status != status)
    failure << "status " << result.status << ", expected " << status << "\n";
  return failure;
}

::testing::AssertionResult same_bytes(const char* actual_expr, const char* expected_expr,
                                      const std::optional<std::string>& actual,
                                      const std::optional<std::string>& expected) {
  if (actual == expected)
    return ::testing::AssertionSuccess();
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << actual_expr << " differs from " << expected_expr << "\n";
  if (!actual || !expected) {
    failure << actual_expr << (actual ? " exists" : " is absent") << ", " << expected_expr
            << (expected ? " exists" : " is absent") << "\n";
  } else {
    failure << "sizes " << actual->size() << " and " << expected->size() << "; differing offsets:";
    int shown = 0;
    for (std::size_t i = 0; i < std::max(actual->size(), expected->size()) && shown < 24; ++i) {
      if (i < actual->size() && i < expected->size() && (*actual)[i] == (*expected)[i])
        continue;
      failure << " " << i;
      ++shown;
    }
    failure << "\n";
  }
  if (actual)
    failure << actual_expr << ":\n" << hex_dump(*actual);
  if (expected)
    failure << expected_expr << ":\n" << hex_dump(*expected);
  return failure;
}
