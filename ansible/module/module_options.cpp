// Reading the module's options from Ansible's arguments file.
#include "ansible/module/module_options.h"

#include <nlohmann/json.hpp>
#include <set>
#include <string_view>
#include <vector>

#include "ansible/module/ansible_types.h"
#include "ansible/module/bounded_json.h"
#include "components/registered_vendors.h"

namespace fleet {

namespace {

constexpr bool registered(std::string_view word) {
  for (const RegisteredVendor& vendor : kRegisteredVendors) {
    if (word == vendor.word) return true;
  }
  return false;
}
static_assert(registered(kDefaultComponent), "the default component is not in components/vendors.txt");

using nlohmann::json;

const std::set<std::string> kOptionNames = {"component",   "executable",   "force", "history",
                                            "package_dir", "retry_failed", "state", "system_root"};

std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
  return text;
}

bool readText(const json& args, const char* name, std::string& value, std::string& error) {
  if (!args.contains(name) || args[name].is_null()) return true;
  if (ansibleText(args[name], value)) return true;
  error = std::string("argument '") + name + "' is of type " + typeName(args[name]) +
          " and we were unable to convert to str";
  return false;
}

// A NUL would end the path at a different place for each system call.
bool readPath(const json& args, const char* name, std::string& value, std::string& error) {
  if (!readText(args, name, value, error)) return false;
  if (value.find('\0') != std::string::npos) {
    error = std::string("argument '") + name + "' holds a NUL character, which no path can hold";
    return false;
  }
  value = expandPath(value);
  return true;
}

bool readBool(const json& args, const char* name, bool& value, std::string& error) {
  if (!args.contains(name) || args[name].is_null()) return true;
  if (ansibleBool(args[name], value)) return true;
  error = std::string("argument '") + name + "' is of type " + typeName(args[name]) +
          " and we were unable to convert to bool: " + valueExcerpt(args[name]) +
          " is not a valid boolean; valid booleans are yes, no, true, false, on, off, y, n, t, f, 1, 0";
  return false;
}

bool readChoice(const json& args, const char* name, const std::vector<std::string>& choices,
                std::string& value, std::string& error) {
  if (!readText(args, name, value, error)) return false;
  for (const std::string& choice : choices) {
    if (value == choice) return true;
  }
  error = std::string("value of ") + name + " must be one of: " + joined(choices) +
          ", got: " + textExcerpt(value);
  return false;
}

bool checkNames(const json& args, std::string& error) {
  std::vector<std::string> unknown;
  for (const auto& entry : args.items()) {
    if (entry.key().rfind("_ansible_", 0) == 0) continue;
    if (kOptionNames.count(entry.key()) == 0) unknown.push_back(entry.key());
  }
  if (unknown.empty()) return true;
  error = "Unsupported parameters for (fcupdate.fleet.fc_firmware) module: " + joined(unknown) +
          ". Supported parameters include: " +
          joined(std::vector<std::string>(kOptionNames.begin(), kOptionNames.end())) + ".";
  return false;
}

// Ansible's own keys: check mode is the one the module acts on, and the
// temporary directory is where the report run writes its report.
bool readAnsibleKeys(const json& args, ModuleOptions& options, std::string& error) {
  if (!readBool(args, "_ansible_check_mode", options.checkMode, error)) return false;
  std::string tmpDir;
  if (args.contains("_ansible_tmpdir") && ansibleText(args["_ansible_tmpdir"], tmpDir)) {
    options.tmpDir = tmpDir;
  }
  return true;
}

}  // namespace

bool parseModuleOptions(const std::string& text, ModuleOptions& options, std::string& error) {
  json args;
  const JsonParse parse = parseBoundedJson(text, kNestingLimit, args);
  if (parse == JsonParse::tooDeep) {
    error = "the arguments file nests lists and mappings more than " + std::to_string(kNestingLimit) +
            " levels deep";
    return false;
  }
  if (parse != JsonParse::parsed || !args.is_object()) {
    error = "the arguments file does not hold a JSON object";
    return false;
  }
  if (!checkNames(args, error)) return false;
  if (!args.contains("package_dir") || args["package_dir"].is_null()) {
    error = "missing required arguments: package_dir";
    return false;
  }
  options.hasSystemRoot = args.contains("system_root") && !args["system_root"].is_null();
  return readPath(args, "package_dir", options.packageDir, error) &&
         readChoice(args, "component", componentChoices(), options.component, error) &&
         readPath(args, "executable", options.executable, error) &&
         readChoice(args, "state", {"reported", "updated"}, options.state, error) &&
         readBool(args, "force", options.force, error) &&
         readBool(args, "retry_failed", options.retryFailed, error) &&
         readBool(args, "history", options.history, error) &&
         readPath(args, "system_root", options.systemRoot, error) && readAnsibleKeys(args, options, error);
}

std::vector<std::string> componentChoices() {
  std::vector<std::string> words;
  for (const RegisteredVendor& vendor : kRegisteredVendors) words.emplace_back(vendor.word);
  return words;
}

std::string componentExecutable(const std::string& component) {
  for (const RegisteredVendor& vendor : kRegisteredVendors) {
    if (component == vendor.word) return vendor.executable;
  }
  return "";
}

}  // namespace fleet
