// Shell commands run as children of their own process group, started with
// the signal state a plain shell gives them, and never waited for forever.
#pragma once

#include <sys/types.h>

#include <string>

// "/bin/sh -c command" in a process group of its own, so that it can be
// stopped whole, grandchildren included. A captured command also gets a
// session of its own (no terminal) and standard input from /dev/null, so
// that no prompt can stop or hang it. Its SIGPIPE and SIGXFSZ are at their
// defaults even though the component ignores them, and no signal is blocked.
class ShellChild {
 public:
  enum class Output { Inherited, Captured };

  ShellChild(const std::string& command, Output output);
  ~ShellChild();  // finish()
  ShellChild(const ShellChild&) = delete;
  ShellChild& operator=(const ShellChild&) = delete;

  // False when no shell could be forked or /bin/sh could not be executed.
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
