// The flash engine's query report ("./qlafwupdate /q"), read into the flash
// image version and port name of each HBA instance.
#pragma once

#include <string>
#include <vector>

namespace QLogicComp {

struct EngineInstance {
  std::wstring flashImage;
  std::string portName;  // upper case, colon separated, as adapter records write it
};

struct QueryReport {
  static constexpr int kMaxInstances = 64;
  EngineInstance instances[kMaxInstances];
  int consulted = 0;  // instances 0 to consulted-1: the line count divided by 5
};

QueryReport parseQueryReport(const std::string& output);

// Letters upper-cased, every "-" made ":".
std::string normalisePortName(std::string name);

}  // namespace QLogicComp
