// Reading the host's files without blocking and to a bound.
#include "ansible/module/read_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace fleet {

ReadOnlyFile::ReadOnlyFile(const std::string& path, Links links) {
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | (links == Links::refuse ? O_NOFOLLOW : 0);
  fd_ = ::open(path.c_str(), flags);
  if (fd_ < 0) {
    openError_ = errno;
    return;
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return;
  regular_ = S_ISREG(info.st_mode);
  size_ = static_cast<long long>(info.st_size);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) (void)::close(fd_);
}

bool ReadOnlyFile::readAt(long long offset, std::size_t length, std::string& text) const {
  text.clear();
  char buffer[65536];
  while (text.size() < length) {
    const std::size_t want = std::min(sizeof buffer, length - text.size());
    const ssize_t n =
        ::pread(fd_, buffer, want, static_cast<off_t>(offset) + static_cast<off_t>(text.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

WholeFile readWholeFile(const std::string& path, Links links, std::size_t bound, std::string& text,
                        int& error) {
  const ReadOnlyFile file(path, links);
  error = file.openError();
  if (error != 0) return WholeFile::cannotOpen;
  if (!file.regular()) return WholeFile::notRegular;
  if (file.size() > static_cast<long long>(bound)) return WholeFile::tooLarge;
  // One byte past the bound tells a file that grew since it was measured.
  if (!file.readAt(0, bound + 1, text)) {
    error = errno;
    return WholeFile::readFailed;
  }
  return text.size() > bound ? WholeFile::tooLarge : WholeFile::read;
}

}  // namespace fleet
