// Reading a descriptor line by line within byte bounds, so that no file or
// command, however long its lines or endless its output, can exhaust memory.
#pragma once

#include <cstddef>
#include <string>

class LineReader {
 public:
  // Lines longer than lineBound bytes (without the "\n") are dropped whole;
  // reading stops for good after totalBound bytes.
  LineReader(int fd, std::size_t lineBound, std::size_t totalBound);

  // The next line without its "\n"; false at the end, on a read error, or at
  // the total bound. A last line without "\n" is a line at the end of the
  // input, but a line cut by the total bound is dropped.
  bool next(std::string& line);
  // Whether reading stopped at the total bound rather than at the end.
  bool stoppedAtBound() const { return left_ == 0; }
  // The bytes read from the descriptor so far, lines dropped or not.
  std::size_t bytesRead() const { return totalBound_ - left_; }

 private:
  bool fill();

  int fd_;
  std::size_t lineBound_;
  std::size_t totalBound_;
  std::size_t left_;
  char buffer_[4096];
  std::size_t start_ = 0;
  std::size_t end_ = 0;
};

// Opens a file for LineReader: read-only and without blocking at the open,
// so that a FIFO nobody writes reads as empty instead of hanging; -1 on
// failure.
int openForReading(const std::string& path);
