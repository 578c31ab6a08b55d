// Every file the module reads: opened without waiting for a FIFO's writer and
// without taking a terminal, used only when it is a regular file, and read to
// a bound, so that no file on the host can hang the call or exhaust it.
#pragma once

#include <cstddef>
#include <string>

namespace fleet {

enum class Links { follow, refuse };

class ReadOnlyFile {
 public:
  // With Links::refuse a final symbolic link does not open (ELOOP).
  ReadOnlyFile(const std::string& path, Links links);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // The errno of a failed open; 0 when the file is open.
  int openError() const { return openError_; }
  // Judged on the opened descriptor, never on the name.
  bool regular() const { return regular_; }
  long long size() const { return size_; }

  // Up to length bytes from offset, fewer at the end of the file; false with
  // errno set on a read error.
  bool readAt(long long offset, std::size_t length, std::string& text) const;

 private:
  int fd_ = -1;
  int openError_ = 0;
  bool regular_ = false;
  long long size_ = 0;
};

enum class WholeFile { read, cannotOpen, notRegular, tooLarge, readFailed };

// A regular file of at most bound bytes, whole; error is the errno of a
// failed open or read.
WholeFile readWholeFile(const std::string& path, Links links, std::size_t bound, std::string& text,
                        int& error);

}  // namespace fleet
