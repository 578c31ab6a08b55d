// Shell commands run as children of their own process group, started with
// the signal state a plain shell gives them, and never waited for forever.
#pragma once

#include <sys/types.h>

#include <string>

// "/bin/sh -c command" in a process group of its own, so that it can be
// stopped whole, grandchildren included. Its SIGPIPE is at the default even
// though the component ignores it, and no signal is blocked.
class ShellChild {
 public:
  enum class Output { Inherited, Captured };

  ShellChild(const std::string& command, Output output);
  ~ShellChild();  // finish()
  ShellChild(const ShellChild&) = delete;
  ShellChild& operator=(const ShellChild&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // The read end of the captured standard output, or -1.
  int output() const { return output_; }

  // Waits for the child as long as it takes; the wait status, or -1 when it
  // could not be started.
  int wait();
  // Closes the output (a writer then gets SIGPIPE), gives the child 2 s to
  // end, then kills its process group and reaps it; the wait status or -1.
  int finish();

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  int status_ = -1;
};

// Reads at most `bound` bytes of the command's standard output; the command
// is then finished, whether or not it had more to say. False when it could
// not be started.
bool captureOutput(const std::string& command, std::size_t bound, std::string& output);
