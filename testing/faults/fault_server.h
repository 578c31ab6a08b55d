// A simulated server set up for one fault case: one catalogued adapter of the
// component's vendor with an older image than the package carries (so that a
// plain run flashes), the vendor's stand-in tool, and a component log that
// already holds an earlier run's text, which no fault may lose.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "testing/faults/bounded_run.h"
#include "testing/sandbox.h"

namespace faults {

enum class Component { QLogic, Emulex, Brocade };

const char* componentName(Component component);  // for test names
inline void PrintTo(Component component, std::ostream* out) { *out << componentName(component); }

extern const char kEarlierLog[];
// The first lines of every run that gets as far as discovery.
extern const char kStart[];

class FaultServer {
 public:
  explicit FaultServer(Component component);

  // The adapter the library reports, before build() (the Emulex component
  // does not use the library and ignores it).
  testsupport::SimAdapter& adapter() { return adapter_; }
  testsupport::Sandbox& box() { return box_; }
  const testsupport::Sandbox& box() const { return box_; }
  void build();

  Outcome run(const std::vector<std::string>& args, const Limits& limits = ordinaryLimits(),
              bool obeyFileModes = false) const;
  // The invocation run() makes, for runners of their own.
  Invocation invocation(const std::vector<std::string>& args) const;

  // The stand-in tool: what its query prints, how its flash ends, and the
  // arguments of every call it got.
  void setQueryOutput(const std::string& output) const;
  void setToolExit(int code) const;
  void setToolSignal(const std::string& signal) const;
  std::string toolCalls() const;
  std::string toolPath() const;  // the tool file (the kit archive for Emulex)

  std::string logPath() const;
  std::string log() const;
  std::string work(const std::string& name) const { return box_.work() + "/" + name; }
  std::string root(const std::string& name) const { return box_.root() + "/" + name; }

  // What the console shows from the banner to the end of discovery.
  std::string start() const;

 private:
  const char* toolWord() const;

  Component component_;
  testsupport::SimAdapter adapter_;
  testsupport::Sandbox box_;
};

// The report's devices, one "device_id active_version" text each (the first
// firmware item's installed version); false when the report does not parse.
bool readReport(const std::string& path, std::vector<std::string>& devices);

}  // namespace faults
