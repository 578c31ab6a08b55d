// A real block device for a test to aim a report at: a loop device over a
// scratch file, attached for the life of the object (root only).
#pragma once

#include <sys/types.h>

#include <string>

namespace faults {

class LoopDevice {
 public:
  // Fills backing with size bytes of a pattern and, when attach is set,
  // attaches a free loop device to it.
  LoopDevice(const std::string& backing, std::size_t size, bool attach);
  ~LoopDevice();
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  bool attached() const { return !name_.empty(); }
  const std::string& name() const { return name_; }  // /dev/loopN
  dev_t number() const;
  const std::string& pattern() const { return pattern_; }
  // The device's first bytes, read through the device itself.
  std::string head() const;

 private:
  std::string name_;
  std::string pattern_;
};

}  // namespace faults
