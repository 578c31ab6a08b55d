// The fleet filter reads the module's answer, not the report: every key it
// takes from a device or an item must be one the module writes, and those
// are the report's own element names. A name changed on one side only fails
// here, not on a controller in the field.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "ansible/module/answer.h"
#include "framework/report_schema.h"

namespace fleet {
namespace {

using nlohmann::json;

std::string filterSource() {
  std::ifstream in(std::string(FCUPDATE_SOURCE_DIR) + "/ansible/plugins/filter/fleet.py");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The function of the filter that turns the module's devices into rows.
std::string itemRowsFunction(const std::string& source) {
  const std::size_t start = source.find("def _item_rows(");
  if (start == std::string::npos) return "";
  const std::size_t end = source.find("\ndef ", start + 1);
  return source.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The keys the function reads with name.get("KEY", ...).
std::set<std::string> keysRead(const std::string& function, const std::string& name) {
  std::set<std::string> keys;
  const std::regex get("\\b" + name + "\\.get\\(\"([a-z_]+)\"");
  for (std::sregex_iterator it(function.begin(), function.end(), get), end; it != end; ++it) {
    keys.insert((*it)[1]);
  }
  return keys;
}

std::set<std::string> keysOf(const json& object) {
  std::set<std::string> keys;
  for (auto it = object.begin(); it != object.end(); ++it) keys.insert(it.key());
  return keys;
}

TEST(FleetFilterKeys, EveryKeyTheFilterReadsIsOneTheModuleWrites) {
  Answer answer;
  answer.devices.push_back({"1077.2532.1077.015d",
                            "QLE2562",
                            {{"Multiboot Image", "3.28", "3.00", "upgrade", "120"}},
                            "",
                            "",
                            {}});
  const json device = json::parse(answerJson(answer))["devices"][0];
  const std::string function = itemRowsFunction(filterSource());
  ASSERT_FALSE(function.empty()) << "fleet.py no longer has _item_rows: update this test with it";

  const std::set<std::string> deviceKeys = keysRead(function, "d");
  const std::set<std::string> itemKeys = keysRead(function, "i");
  EXPECT_EQ(deviceKeys, (std::set<std::string>{reportSchema::kDeviceId, reportSchema::kProductId,
                                               kDeviceItems, "pci_location", "port_wwns"}));
  EXPECT_EQ(itemKeys, (std::set<std::string>{reportSchema::kItemType, reportSchema::kActiveVersion,
                                             reportSchema::kItemVersion, reportSchema::kAction}));
  const std::set<std::string> written = keysOf(device);
  for (const std::string& key : deviceKeys) EXPECT_EQ(written.count(key), 1u) << "device key " << key;
  const std::set<std::string> writtenItem = keysOf(device[kDeviceItems][0]);
  for (const std::string& key : itemKeys) EXPECT_EQ(writtenItem.count(key), 1u) << "item key " << key;
}

}  // namespace
}  // namespace fleet
