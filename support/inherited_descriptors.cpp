// The record of the descriptors open at start.
#include "support/inherited_descriptors.h"

#include <fcntl.h>

#include <bitset>

namespace {

std::bitset<kRecordedDescriptors> inherited;

}  // namespace

void recordInheritedDescriptors() {
  inherited.reset();
  // F_GETFD fails with EBADF, and only then, on a number nothing is open on.
  for (int fd = 0; fd < kRecordedDescriptors; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) inherited.set(static_cast<std::size_t>(fd));
  }
}

bool inheritedDescriptor(int fd) {
  return fd >= 0 && fd < kRecordedDescriptors && inherited.test(static_cast<std::size_t>(fd));
}
