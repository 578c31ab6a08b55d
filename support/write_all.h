// Writing a whole buffer to a descriptor, through short writes and signals.
#pragma once

#include <cstddef>
#include <string>

// Writes every byte, resuming after a short write or an interrupted call.
// False when the descriptor takes no more (a full disk, a closed pipe). Uses
// write() alone, so a signal handler may call it.
bool writeAll(int fd, const char* data, std::size_t size);

inline bool writeAll(int fd, const std::string& bytes) { return writeAll(fd, bytes.data(), bytes.size()); }
