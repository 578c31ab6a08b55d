// The robustness table: a whole match of .*, (a|b)* and (.+).* on a run of
// n letters a, n from 10^3 to 16 Mi, for every engine. Each attempt runs in
// a child process, so that an engine that crashes or runs too long fails
// its cell instead of the table.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/engines.h"

namespace {

constexpr unsigned kSecondsPerAttempt = 60;

struct Size {
  size_t n;
  const char* label;
};

const Size kSizes[] = {
    {1000, "10^3"}, {10000, "10^4"}, {100000, "10^5"}, {1000000, "10^6"}, {16u << 20, "16 Mi"}};

// "ok", or why the attempt failed.
const char* attempt(const bench::Engine& engine, const char* pattern, size_t n) {
  (void)std::fflush(stdout);
  pid_t child = fork();
  if (child == 0) {
    alarm(kSecondsPerAttempt);
    std::unique_ptr<bench::Matcher> m = engine.compile(pattern, 0);
    std::vector<std::string> groups;
    _exit(m && m->whole(std::string(n, 'a'), &groups) ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return "not run";
  if (WIFEXITED(status)) return WEXITSTATUS(status) == 0 ? "ok" : "no match";
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return "timeout";
  return "crash";
}

}  // namespace

int main() {
  const char* const patterns[] = {".*", "(a|b)*", "(.+).*"};
  std::printf(
      "Whole match on n letters a; a cell is ok, no match (the engine gave up), crash or timeout "
      "(%u s)\n\n",
      kSecondsPerAttempt);
  std::printf("| pattern | engine |");
  for (const Size& s : kSizes) std::printf(" %s |", s.label);
  std::printf(" first size that fails |\n|---|---|");
  for (size_t i = 0; i < sizeof kSizes / sizeof kSizes[0]; ++i) std::printf("---|");
  std::printf("---|\n");
  for (const char* pattern : patterns) {
    for (const bench::Engine& engine : bench::engines()) {
      std::string shown;
      // A '|' inside a table cell must be escaped, even in code.
      for (const char* c = pattern; *c; ++c) shown += *c == '|' ? std::string("\\|") : std::string(1, *c);
      std::string row = "| `" + shown + "` | " + engine.name + " |";
      const char* firstFailure = nullptr;
      for (const Size& s : kSizes) {
        if (firstFailure) {
          row += " - |";
          continue;
        }
        std::string result = attempt(engine, pattern, s.n);
        row += " " + result + " |";
        if (result != "ok") firstFailure = s.label;
      }
      std::printf("%s %s |\n", row.c_str(), firstFailure ? firstFailure : "none");
    }
  }
  return 0;
}
