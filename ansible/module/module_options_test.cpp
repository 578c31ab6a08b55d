// Reading Ansible's arguments file: defaults, Ansible's own keys, and every
// kind of bad input named in the message.
#include "ansible/module/module_options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace fleet {
namespace {

ModuleOptions parsed(const std::string& text) {
  ModuleOptions options;
  std::string error;
  EXPECT_TRUE(parseModuleOptions(text, options, error)) << error;
  return options;
}

TEST(ModuleOptions, Defaults) {
  const ModuleOptions options = parsed(R"({"package_dir": "/opt/fw"})");
  EXPECT_EQ(options.packageDir, "/opt/fw");
  EXPECT_EQ(options.component, "qlogic");
  EXPECT_EQ(options.executable, "");
  EXPECT_EQ(options.state, "updated");
  EXPECT_FALSE(options.force);
  EXPECT_FALSE(options.retryFailed);
  EXPECT_FALSE(options.history);
  EXPECT_FALSE(options.hasSystemRoot);
  EXPECT_FALSE(options.checkMode);
}

TEST(ModuleOptions, EveryOptionAndAnsiblesOwnKeys) {
  const ModuleOptions options = parsed(R"({
    "package_dir": "/opt/fw", "component": "emulex", "executable": "bin/fc", "state": "reported",
    "force": "yes", "system_root": "/srv/stage", "retry_failed": "on", "history": 1,
    "_ansible_check_mode": true, "_ansible_no_log": false, "_ansible_verbosity": 3,
    "_ansible_tmpdir": "/root/.ansible/tmp/x", "_ansible_version": "2.14.18",
    "_ansible_remote_tmp": "~/.ansible/tmp", "_ansible_some_future_key": {"a": [1]}})");
  EXPECT_EQ(options.component, "emulex");
  EXPECT_EQ(options.executable, "bin/fc");
  EXPECT_EQ(options.state, "reported");
  EXPECT_TRUE(options.force);
  EXPECT_TRUE(options.retryFailed);
  EXPECT_TRUE(options.history);
  EXPECT_TRUE(options.hasSystemRoot);
  EXPECT_EQ(options.systemRoot, "/srv/stage");
  EXPECT_TRUE(options.checkMode);
  EXPECT_EQ(options.tmpDir, "/root/.ansible/tmp/x");
}

TEST(ModuleOptions, CheckModeAsAnsibleMayWriteIt) {
  EXPECT_TRUE(parsed(R"({"package_dir": "/p", "_ansible_check_mode": "True"})").checkMode);
  EXPECT_FALSE(parsed(R"({"package_dir": "/p", "_ansible_check_mode": 0})").checkMode);
}

TEST(ModuleOptions, NullMeansNotGiven) {
  const ModuleOptions options =
      parsed(R"({"package_dir": "/p", "component": null, "force": null, "system_root": null})");
  EXPECT_EQ(options.component, "qlogic");
  EXPECT_FALSE(options.force);
  EXPECT_FALSE(options.hasSystemRoot);
}

// levels lists, each the only thing in the one around it, around text.
std::string nested(int levels, const std::string& text) {
  return std::string(static_cast<size_t>(levels), '[') + text + std::string(static_cast<size_t>(levels), ']');
}

TEST(ModuleOptions, NestingUpToTheLimitIsAccepted) {
  // The outermost mapping is the first level.
  const ModuleOptions options =
      parsed(R"({"package_dir": "/p", "_ansible_x": )" + nested(kNestingLimit - 1, "1") + "}");
  EXPECT_EQ(options.packageDir, "/p");
}

TEST(ModuleOptions, DeeperNestingIsNamedWhateverItHolds) {
  const std::string message = "the arguments file nests lists and mappings more than 64 levels deep";
  std::string mappings;
  for (int i = 0; i <= kNestingLimit; ++i) mappings += R"({"a": )";
  mappings += "1" + std::string(kNestingLimit + 1, '}');
  for (const std::string& text :
       {R"({"package_dir": "/p", "_ansible_x": )" + nested(kNestingLimit, "1") + "}",
        R"({"package_dir": "/p", "force": )" + nested(60000, "true") + "}", mappings, nested(60000, "")}) {
    ModuleOptions options;
    std::string error;
    EXPECT_FALSE(parseModuleOptions(text, options, error));
    EXPECT_EQ(error, message) << text.substr(0, 80);
  }
}

std::string refusal(const std::string& text) {
  ModuleOptions options;
  std::string error;
  EXPECT_FALSE(parseModuleOptions(text, options, error)) << text.substr(0, 80);
  return error;
}

TEST(ModuleOptions, LongValuesAreShownInPart) {
  const std::string word(100000, 'w');
  const std::string notBool =
      " is not a valid boolean; valid booleans are yes, no, true, false, on, off, y, n, t, f, 1, 0";
  EXPECT_EQ(refusal(R"({"package_dir": "/p", "force": ")" + word + R"("})"),
            "argument 'force' is of type str and we were unable to convert to bool: \"" +
                word.substr(0, 199) + "..." + notBool);
  EXPECT_EQ(refusal(R"({"package_dir": "/p", "state": ")" + word + R"("})"),
            "value of state must be one of: reported, updated, got: " + word.substr(0, 200) + "...");
  EXPECT_EQ(refusal(R"({"package_dir": "/p", "force": )" + nested(63, '"' + word + '"') + "}"),
            "argument 'force' is of type list and we were unable to convert to bool: " +
                std::string(63, '[') + "\"" + word.substr(0, 136) + "..." + notBool);
}

TEST(ModuleOptions, BadInputIsNamed) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "the arguments file does not hold a JSON object"},
      {"package_dir=/opt/fw", "the arguments file does not hold a JSON object"},
      {R"(["package_dir"])", "the arguments file does not hold a JSON object"},
      {R"({"package_dir": "/p")", "the arguments file does not hold a JSON object"},
      {"{}", "missing required arguments: package_dir"},
      {R"({"package_dir": null})", "missing required arguments: package_dir"},
      {R"({"package_dir": "/p", "forse": true, "colour": 1})",
       "Unsupported parameters for (fcupdate.fleet.fc_firmware) module: colour, forse. Supported parameters "
       "include: component, executable, force, history, package_dir, retry_failed, state, system_root."},
      {R"({"package_dir": "/p", "force": "maybe"})",
       "argument 'force' is of type str and we were unable to convert to bool: \"maybe\" is not a valid "
       "boolean; valid booleans are yes, no, true, false, on, off, y, n, t, f, 1, 0"},
      {R"({"package_dir": "/p", "force": [true]})",
       "argument 'force' is of type list and we were unable to convert to bool: [true] is not a valid "
       "boolean; valid booleans are yes, no, true, false, on, off, y, n, t, f, 1, 0"},
      {R"({"package_dir": ["/p"]})",
       "argument 'package_dir' is of type list and we were unable to convert to str"},
      {R"({"package_dir": "/p", "system_root": {"a": 1}})",
       "argument 'system_root' is of type dict and we were unable to convert to str"},
      {R"({"package_dir": "/p", "state": "present"})",
       "value of state must be one of: reported, updated, got: present"},
      {R"({"package_dir": "/opt/fw\u0000/elsewhere"})",
       "argument 'package_dir' holds a NUL character, which no path can hold"},
      {R"({"package_dir": "/p", "system_root": "/srv\u0000"})",
       "argument 'system_root' holds a NUL character, which no path can hold"},
      {R"({"package_dir": "/p", "force": 123456789012345678901234567890})",
       "argument 'force' is of type float and we were unable to convert to bool: 1.2345678901234568e+29 is "
       "not "
       "a valid boolean; valid booleans are yes, no, true, false, on, off, y, n, t, f, 1, 0"},
      {R"({"package_dir": "/p", "force": 1e400})", "the arguments file does not hold a JSON object"},
      {"{\"package_dir\": \"/p\xff\"}", "the arguments file does not hold a JSON object"},
      {R"({"package_dir": "/p", "_ansible_check_mode": "sometimes"})",
       "argument '_ansible_check_mode' is of type str and we were unable to convert to bool: \"sometimes\" "
       "is "
       "not a valid boolean; valid booleans are yes, no, true, false, on, off, y, n, t, f, 1, 0"},
  };
  for (const auto& c : cases) {
    ModuleOptions options;
    std::string error;
    EXPECT_FALSE(parseModuleOptions(c.text, options, error)) << c.text;
    EXPECT_EQ(error, c.message) << c.text;
  }
}

// The choices and executables come from the build's copy of the vendor
// registration: they must be the table's lines, in its order.
TEST(ModuleOptions, ComponentsAreTheRegisteredVendors) {
  std::ifstream table(std::string(FCUPDATE_SOURCE_DIR) + "/components/vendors.txt");
  ASSERT_TRUE(table.is_open());
  std::vector<std::pair<std::string, std::string>> registered;
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string word, name, executable;
    if (!(fields >> word) || word[0] == '#') continue;
    fields >> name >> executable;
    registered.emplace_back(word, executable);
  }
  ASSERT_FALSE(registered.empty());
  std::vector<std::string> words;
  for (const auto& vendor : registered) {
    words.push_back(vendor.first);
    EXPECT_EQ(componentExecutable(vendor.first), vendor.second);
    EXPECT_EQ(parsed(R"({"package_dir": "/p", "component": ")" + vendor.first + R"("})").component,
              vendor.first);
  }
  EXPECT_EQ(componentChoices(), words);
  std::string listed;
  for (const std::string& word : words) listed += (listed.empty() ? "" : ", ") + word;
  for (const char* other : {"", "QLogic", "qlogic ", "fcupdate"}) {
    EXPECT_EQ(componentExecutable(other), "") << other;
    ModuleOptions options;
    std::string error;
    EXPECT_FALSE(parseModuleOptions(R"({"package_dir": "/p", "component": ")" + std::string(other) + R"("})",
                                    options, error));
    EXPECT_EQ(error, "value of component must be one of: " + listed + ", got: " + other);
  }
}

}  // namespace
}  // namespace fleet
