// Preloaded into the measured component: at process exit it writes the
// component's own CPU time and peak resident memory, which the parent's
// wait4() cannot tell apart from the children the component waited for.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

char usagePath[4096];

long long micros(const timeval& t) { return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec; }

// Runs before the component's main. The variables go at once so that no
// child process of the component loads the probe or writes the file.
__attribute__((constructor)) void takeUsagePath() {
  const char* path = std::getenv("WHOLE_RUN_USAGE");
  if (path != nullptr) (void)std::snprintf(usagePath, sizeof usagePath, "%s", path);
  (void)unsetenv("WHOLE_RUN_USAGE");
  (void)unsetenv("LD_PRELOAD");
}

// Runs after the component's static destructors, when its work is done.
__attribute__((destructor)) void writeUsage() {
  if (usagePath[0] == '\0') return;
  rusage own{};
  if (getrusage(RUSAGE_SELF, &own) != 0) return;
  char line[128];
  const int length = std::snprintf(line, sizeof line, "%lld %lld %ld\n", micros(own.ru_utime),
                                   micros(own.ru_stime), own.ru_maxrss);
  const int fd = open(usagePath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  if (length > 0) (void)!write(fd, line, static_cast<std::size_t>(length));
  (void)close(fd);
}

}  // namespace
