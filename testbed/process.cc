#include "testbed/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace testbed {
namespace {

using Clock = std::chrono::steady_clock;
constexpr Millis kPollSliceMs(50);  // re-checks the exit while pipes stay quiet
// Output still in the pipes when the program ends; a descendant that keeps the
// pipes open must not hold the test for long.
constexpr Millis kDrainAfterExitMs(500);

std::vector<std::string> fullArgv(const std::string& ns, const std::vector<std::string>& argv) {
  std::vector<std::string> full;
  if (!ns.empty()) full = {"ip", "netns", "exec", ns};
  full.insert(full.end(), argv.begin(), argv.end());
  return full;
}

std::vector<std::string> fullEnv(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& x : extra) replaced = replaced || x.substr(0, x.find('=')) == name;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

bool makePipe(net::UniqueFd& readEnd, net::UniqueFd& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  readEnd.reset(fds[0]);
  writeEnd.reset(fds[1]);
  return true;
}

[[noreturn]] void becomeChild(int in, int out, int err, std::vector<char*>& argv,
                              std::vector<char*>& envp) {
  ::setpgid(0, 0);
  ::dup2(in, 0);
  ::dup2(out, 1);
  ::dup2(err, 2);
  ::execvpe(argv[0], argv.data(), envp.data());
  ::_exit(127);
}

int decodeStatus(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

}  // namespace

Process::Process(const std::string& ns, const std::vector<std::string>& argv,
                 const std::vector<std::string>& env) {
  std::vector<std::string> args = fullArgv(ns, argv);
  std::vector<std::string> envs = fullEnv(env);
  std::vector<char*> argp = pointers(args);
  std::vector<char*> envp = pointers(envs);
  net::UniqueFd childIn, childOut, childErr;
  if (!makePipe(childIn, stdin_) || !makePipe(stdout_, childOut) || !makePipe(stderr_, childErr))
    return;
  ::signal(SIGPIPE, SIG_IGN);  // a program that quits early must not kill the test
  pid_ = ::fork();
  if (pid_ == 0) becomeChild(childIn.get(), childOut.get(), childErr.get(), argp, envp);
  if (pid_ > 0) ::setpgid(pid_, pid_);
}

std::unique_ptr<Process> Process::notStarted(const std::string& reason) {
  auto process = std::make_unique<Process>(NotStartedKey{});
  process->err_ = reason;
  return process;
}

Process::~Process() {
  if (started() && !status_) terminate();
}

bool Process::write(const std::string& text) {
  size_t done = 0;
  while (stdin_ && done < text.size()) {
    const ssize_t n = ::write(stdin_.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return done == text.size();
}

bool Process::pump(Millis wait) {
  pollfd fds[2] = {{stdout_.get(), POLLIN, 0}, {stderr_.get(), POLLIN, 0}};
  if (!stdout_ && !stderr_) return false;
  if (::poll(fds, 2, static_cast<int>(wait.count())) <= 0) return true;
  net::UniqueFd* pipes[2] = {&stdout_, &stderr_};
  std::string* sinks[2] = {&out_, &err_};
  for (int i = 0; i < 2; ++i) {
    if (fds[i].revents == 0) continue;
    char chunk[4096];
    const ssize_t n = ::read(pipes[i]->get(), chunk, sizeof chunk);
    if (n > 0) sinks[i]->append(chunk, static_cast<size_t>(n));
    if (n == 0 || (n < 0 && errno != EINTR)) pipes[i]->reset();
  }
  return true;
}

bool Process::waitForOutput(const std::string& text, Millis timeout, size_t from) {
  const auto deadline = Clock::now() + timeout;
  while (out_.find(text, std::min(from, out_.size())) == std::string::npos) {
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
    if (left.count() <= 0 || !pump(std::min(left, kPollSliceMs))) {
      return out_.find(text, std::min(from, out_.size())) != std::string::npos;
    }
  }
  return true;
}

bool Process::waitForError(const std::string& text, Millis timeout) {
  const auto deadline = Clock::now() + timeout;
  while (err_.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
    if (left.count() <= 0 || !pump(std::min(left, kPollSliceMs)))
      return err_.find(text) != std::string::npos;
  }
  return true;
}

bool Process::reap(bool block) {
  if (status_) return true;
  int raw = 0;
  rusage usage{};
  const pid_t done = ::wait4(pid_, &raw, block ? 0 : WNOHANG, &usage);
  if (done != pid_) return false;
  status_ = decodeStatus(raw);
  peakRssKiB_ = usage.ru_maxrss;
  return true;
}

std::optional<int> Process::waitForExit(Millis timeout) {
  if (!started()) return std::nullopt;
  const auto deadline = Clock::now() + timeout;
  while (!reap(false)) {
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
    if (left.count() <= 0) {
      terminate(Millis(1000));
      return std::nullopt;
    }
    // Pipes closed: the exit is near; a short sleep keeps the measured end of
    // a timed run close to the real one.
    if (!pump(std::min(left, kPollSliceMs))) ::usleep(1000);
  }
  drainAfterExit();
  return status_;
}

void Process::drainAfterExit() {
  const auto deadline = Clock::now() + kDrainAfterExitMs;
  while ((stdout_ || stderr_) && Clock::now() < deadline) pump(Millis(10));
}

int Process::terminate(Millis grace) {
  if (!started()) return -1;
  if (reap(false)) return *status_;
  ::kill(-pid_, SIGTERM);
  const auto deadline = Clock::now() + grace;
  while (!reap(false) && Clock::now() < deadline) pump(Millis(10));
  if (!status_) {
    ::kill(-pid_, SIGKILL);
    reap(true);
  }
  drainAfterExit();
  return *status_;
}

CommandResult runCommand(const std::string& ns, const std::vector<std::string>& argv,
                         Millis timeout) {
  Process process(ns, argv);
  process.closeInput();
  const std::optional<int> status = process.waitForExit(timeout);
  return CommandResult{status.value_or(-1), process.output() + process.errors()};
}

}  // namespace testbed
