// Attaching and detaching a loop device with losetup.
#include "testing/faults/loop_device.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/shell_quote.h"
#include "testing/test_support.h"

namespace faults {

LoopDevice::LoopDevice(const std::string& backing, std::size_t size, bool attach) {
  for (std::size_t i = 0; pattern_.size() < size; ++i) pattern_ += "device byte " + std::to_string(i) + "\n";
  pattern_.resize(size);
  testsupport::writeFile(backing, pattern_);
  if (!attach || geteuid() != 0) return;
  const testsupport::RunResult attached =
      testsupport::runIn("/", "losetup -f --show " + shellQuote(backing) + " 2>/dev/null");
  if (attached.exitCode == 0 && attached.out.rfind("/dev/loop", 0) == 0) {
    name_ = attached.out.substr(0, attached.out.find('\n'));
  }
}

LoopDevice::~LoopDevice() {
  if (attached()) (void)std::system(("losetup -d " + shellQuote(name_) + " 2>/dev/null").c_str());
}

dev_t LoopDevice::number() const {
  struct stat info {};
  return stat(name_.c_str(), &info) == 0 ? info.st_rdev : 0;
}

std::string LoopDevice::head() const {
  std::string bytes(pattern_.size(), '\0');
  const int fd = open(name_.c_str(), O_RDONLY);
  if (fd < 0) return "";
  const ssize_t n = pread(fd, &bytes[0], bytes.size(), 0);
  close(fd);
  bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return bytes;
}

}  // namespace faults
