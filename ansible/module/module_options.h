// The options of the fc_firmware module, read from the arguments file that
// Ansible writes for a binary module.
#pragma once

#include <string>
#include <vector>

namespace fleet {

// The component when none is named; a word of the vendor registration.
constexpr char kDefaultComponent[] = "qlogic";

struct ModuleOptions {
  std::string packageDir;
  std::string component = kDefaultComponent;
  std::string executable;  // empty: the one the component names, in packageDir
  std::string state = "updated";
  bool force = false;
  bool retryFailed = false;  // flash even when the last flash of the package failed
  bool history = false;      // answer with the call's whole history records
  bool hasSystemRoot = false;
  std::string systemRoot;
  bool checkMode = false;
  std::string tmpDir;  // Ansible's remote temporary directory, when it gives one
};

// The component choices: the vendor registration's words, in its order.
std::vector<std::string> componentChoices();
// The executable the registration names for a component choice; empty for
// any other word.
std::string componentExecutable(const std::string& component);

// A module's options are flat; Ansible's own keys nest a level or two.
// Deeper arguments are refused, the outermost mapping counting as 1.
constexpr int kNestingLimit = 64;

// Parses the JSON arguments text. Values are coerced as Ansible coerces
// them; every "_ansible_" key is Ansible's own and is never an unknown option.
// False with a message that names the problem.
bool parseModuleOptions(const std::string& text, ModuleOptions& options, std::string& error);

}  // namespace fleet
