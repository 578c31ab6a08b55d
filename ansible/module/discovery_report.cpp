// Reading the self-discovery report with libxml2.
#include "ansible/module/discovery_report.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstring>

#include "ansible/module/read_only_file.h"
#include "framework/report_schema.h"

namespace fleet {

namespace {

namespace schema = reportSchema;

bool named(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

const xmlNode* child(const xmlNode* parent, const char* name) {
  for (const xmlNode* node = parent->children; node != nullptr; node = node->next) {
    if (named(node, name)) return node;
  }
  return nullptr;
}

// The value attribute of the named child; empty when either is missing.
std::string childValue(const xmlNode* parent, const char* name) {
  const xmlNode* node = child(parent, name);
  if (node == nullptr) return "";
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(schema::kValue));
  if (value == nullptr) return "";
  std::string text = reinterpret_cast<const char*>(value);
  xmlFree(value);
  return text;
}

FirmwareItemInfo readItem(const xmlNode* node) {
  FirmwareItemInfo item;
  item.type = childValue(node, schema::kItemType);
  item.version = childValue(node, schema::kItemVersion);
  item.active_version = childValue(node, schema::kActiveVersion);
  item.action = childValue(node, schema::kAction);
  item.duration = childValue(node, schema::kDuration);
  return item;
}

DeviceInfo readDevice(const xmlNode* node) {
  DeviceInfo device;
  device.device_id = childValue(node, schema::kDeviceId);
  device.product_id = childValue(node, schema::kProductId);
  for (const xmlNode* item = node->children; item != nullptr; item = item->next) {
    if (named(item, schema::kFwItem)) device.items.push_back(readItem(item));
  }
  return device;
}

// The whole report in memory: libxml2 reading a file by name would wait on a
// FIFO and would inflate a compressed file without a bound.
bool readReportText(const std::string& path, std::string& text, std::string& error) {
  int failure = 0;
  switch (readWholeFile(path, Links::follow, static_cast<size_t>(kReportBound), text, failure)) {
    case WholeFile::read:
      return true;
    case WholeFile::cannotOpen:
      error = "the self-discovery report " + path + " was not written: " + std::strerror(failure);
      return false;
    case WholeFile::readFailed:
      error = "the self-discovery report " + path + " cannot be read: " + std::strerror(failure);
      return false;
    case WholeFile::notRegular:
    case WholeFile::tooLarge:
      break;
  }
  error = "the self-discovery report " + path + " is not a regular file of at most 16 MB";
  return false;
}

}  // namespace

bool readDiscoveryReport(const std::string& path, std::vector<DeviceInfo>& devices, std::string& error) {
  std::string text;
  if (!readReportText(path, text, error)) return false;
  // No network, no entity substitution, and parse errors are ours to report.
  xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), path.c_str(), nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) {
    error = "the self-discovery report " + path + " is not well-formed XML";
    return false;
  }
  const xmlNode* root = xmlDocGetRootElement(doc);
  const xmlNode* list =
      root != nullptr && named(root, schema::kRoot) ? child(root, schema::kDevices) : nullptr;
  if (list == nullptr) {
    xmlFreeDoc(doc);
    error = "the file " + path + " is not a self-discovery report";
    return false;
  }
  devices.clear();
  for (const xmlNode* node = list->children; node != nullptr; node = node->next) {
    if (named(node, schema::kDevice)) devices.push_back(readDevice(node));
  }
  xmlFreeDoc(doc);
  return true;
}

bool updatePending(const std::vector<DeviceInfo>& devices, bool force) {
  if (force && !devices.empty()) return true;
  for (const DeviceInfo& device : devices) {
    for (const FirmwareItemInfo& item : device.items) {
      if (item.action == "upgrade") return true;
    }
  }
  return false;
}

}  // namespace fleet
