// Reading each PCI function's class attribute, a few bytes at a time.
#include "fchba/pci_class.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "support/line_reader.h"
#include "support/system_root.h"

namespace {

// One domain holds at most 256 buses of 32 devices of 8 functions; a
// listing longer than that is not the PCI bus.
constexpr int kMaxFunctions = 65536;
constexpr unsigned long kFibreChannelClass = 0x0c04;

// The class attribute's value ("0x0c0400\n"), or 0 when it is missing, not
// a regular file, or unreadable.
unsigned long classOf(const std::string& path) {
  const int fd = openForReading(path);
  if (fd < 0) return 0;
  struct stat info;
  char text[32] = {};
  ssize_t n = -1;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    while ((n = ::read(fd, text, sizeof text - 1)) < 0 && errno == EINTR) {
    }
  }
  (void)::close(fd);
  return n > 0 ? std::strtoul(text, nullptr, 16) : 0;
}

}  // namespace

int countFibreChannelFunctions() {
  const std::string folder = hostPath("/sys/bus/pci/devices");
  DIR* entries = ::opendir(folder.c_str());
  if (entries == nullptr) return -1;
  int count = 0;
  int seen = 0;
  for (const dirent* entry = ::readdir(entries); entry != nullptr && seen < kMaxFunctions;
       entry = ::readdir(entries)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    ++seen;
    std::string path = folder;
    path.append("/").append(name).append("/class");
    if (classOf(path) >> 8 == kFibreChannelClass) ++count;
  }
  (void)::closedir(entries);
  return count;
}
