// Process: one program run for a test, inside a network namespace (through
// `ip netns exec`) or in the test's own namespace, with its standard input,
// output and error on pipes. Waiting is event-based: for a text to appear in
// the output, or for the exit, each with a timeout. Once reaped, its peak
// resident set size is known: the largest of the program, of `ip netns exec`
// before it became the program, and of the copy of the caller that started
// them (fork), so an upper bound for the program. The destructor ends a
// program still running (SIGTERM, then SIGKILL) and reaps it. One thread uses
// a Process; it is neither copied nor moved.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/unique_fd.h"

namespace testbed {

using Millis = std::chrono::milliseconds;

class Process {
  struct NotStartedKey {
    explicit NotStartedKey() = default;
  };

 public:
  // `ns` empty: run in the current namespace. `env` holds extra "NAME=value"
  // entries added to (or replacing in) the inherited environment.
  Process(const std::string& ns, const std::vector<std::string>& argv,
          const std::vector<std::string>& env = {});
  // A program that could not be started; errors() says why.
  static std::unique_ptr<Process> notStarted(const std::string& reason);
  explicit Process(NotStartedKey) {}
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return pid_ > 0; }
  // True while the program has not ended (it is reaped once it has).
  bool running() { return started() && !reap(false); }
  pid_t pid() const { return pid_; }

  // False when the program no longer reads its input.
  bool write(const std::string& text);
  bool writeLine(const std::string& line) { return write(line + "\n"); }
  void closeInput() { stdin_.reset(); }

  // True once `text` occurs in standard output at or after byte `from`.
  bool waitForOutput(const std::string& text, Millis timeout, size_t from = 0);
  bool waitForError(const std::string& text, Millis timeout);
  // The exit status (128 + signal number when killed by a signal), or nullopt
  // when it did not end in time; it is then killed and reaped.
  std::optional<int> waitForExit(Millis timeout);
  // SIGTERM, then SIGKILL after `grace`; returns the exit status.
  int terminate(Millis grace = Millis(3000));

  const std::string& output() const { return out_; }
  const std::string& errors() const { return err_; }
  // Peak resident set size in KiB, known once the program has been reaped.
  std::optional<long> peakRssKiB() const { return peakRssKiB_; }

 private:
  // Reads what is available on the pipes, waiting at most `wait`; false once
  // both pipes are closed.
  bool pump(Millis wait);
  bool reap(bool block);
  void drainAfterExit();

  pid_t pid_ = -1;
  std::optional<int> status_;
  std::optional<long> peakRssKiB_;
  net::UniqueFd stdin_;
  net::UniqueFd stdout_;
  net::UniqueFd stderr_;
  std::string out_;
  std::string err_;
};

struct CommandResult {
  int status = -1;
  std::string output;  // standard output and standard error, in that order
};

// Runs a command to its end (at most `timeout`), in `ns` when not empty.
CommandResult runCommand(const std::string& ns, const std::vector<std::string>& argv,
                         Millis timeout = Millis(10000));

}  // namespace testbed
