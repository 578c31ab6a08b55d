// Arbitrary bytes as the QLogic flash engine's query report: no crash, no
// table slot outside the 64 instances, and never more instances consulted.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "components/qlogic/query_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string output(reinterpret_cast<const char*>(data), size);
  const QLogicComp::QueryReport report = QLogicComp::parseQueryReport(output);
  if (report.consulted < 0 || report.consulted > QLogicComp::QueryReport::kMaxInstances) std::abort();
  return 0;
}
