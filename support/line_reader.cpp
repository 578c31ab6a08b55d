// Line reads from a descriptor within a line bound and a total bound.
#include "support/line_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

LineReader::LineReader(int fd, std::size_t lineBound, std::size_t totalBound)
    : fd_(fd), lineBound_(lineBound), totalBound_(totalBound), left_(totalBound) {}

bool LineReader::fill() {
  if (fd_ < 0 || left_ == 0) return false;
  const std::size_t want = left_ < sizeof buffer_ ? left_ : sizeof buffer_;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_, want);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      fd_ = -1;  // the end, or an error that ends the input as the end does
      return false;
    }
    start_ = 0;
    end_ = static_cast<std::size_t>(n);
    left_ -= end_;
    return true;
  }
}

bool LineReader::next(std::string& line) {
  line.clear();
  bool begun = false;
  bool tooLong = false;
  for (;;) {
    if (start_ == end_ && !fill()) return begun && !tooLong && !stoppedAtBound();
    begun = true;
    const char* from = buffer_ + start_;
    const void* found = std::memchr(from, '\n', end_ - start_);
    const std::size_t length =
        found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - from) : end_ - start_;
    if (!tooLong && line.size() + length <= lineBound_) {
      line.append(from, length);
    } else {
      tooLong = true;
      line.clear();
    }
    start_ += length;
    if (found == nullptr) continue;
    ++start_;
    if (!tooLong) return true;
    begun = false;
    tooLong = false;
  }
}

int openForReading(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    (void)::close(fd);
    return -1;
  }
  (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
  return fd;
}
