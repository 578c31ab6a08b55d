// Writing the inventory as the self-discovery XML report.
#include "framework/report_writer.h"

#include <libxml/tree.h>

#include "framework/report_file.h"
#include "framework/report_schema.h"
#include "support/wide_text.h"
#include "support/xml_text.h"

namespace {

namespace schema = reportSchema;

const xmlChar* xml(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

// Whatever a vendor tool or library printed, only characters XML 1.0 can
// carry reach the document (the log and console keep the text as it was),
// so that every report parses; a text with nothing left is written empty.
void addValue(xmlNodePtr parent, const char* name, const std::wstring& value) {
  xmlNodePtr child = xmlNewChild(parent, nullptr, xml(name), nullptr);
  xmlNewProp(child, xml(schema::kValue), xml(xmlCharactersOnly(narrowLow8(value)).c_str()));
}

void addItem(xmlNodePtr device, const FirmwareItem& item) {
  xmlNodePtr node = xmlNewChild(device, nullptr, xml(schema::kFwItem), nullptr);
  addValue(node, schema::kItemType, item.type);
  addValue(node, schema::kFirmwareId, item.firmware_id);
  addValue(node, schema::kItemVersion, item.version);
  addValue(node, schema::kActiveVersion, item.active_version);
  addValue(node, schema::kAction, item.action);
  addValue(node, schema::kDuration, item.duration);
  addValue(node, schema::kMessage, item.message);
  addValue(node, schema::kShared, item.shared);
}

void addDevice(xmlNodePtr devices, const DiscoveredDevice& device) {
  xmlNodePtr node = xmlNewChild(devices, nullptr, xml(schema::kDevice), nullptr);
  addValue(node, schema::kDeviceId, device.device_id);
  addValue(node, schema::kProductId, device.product_id);
  addValue(node, schema::kBusNumber, device.busnumber);
  addValue(node, schema::kFuncNumber, device.funcnumber);
  for (const FirmwareItem& item : device.fw_items) addItem(node, item);
}

}  // namespace

bool saveDiscoveryReport(const DiscoveryReport& report, const std::string& path) {
  xmlDocPtr doc = xmlNewDoc(nullptr);
  if (doc == nullptr) return false;
  xmlNodePtr root = xmlNewNode(nullptr, xml(schema::kRoot));
  xmlNewProp(root, xml(schema::kRootVersion), xml(schema::kFormatVersion));
  xmlDocSetRootElement(doc, root);
  addValue(root, schema::kType, report.type);
  addValue(root, schema::kAltName, report.alt_name);
  addValue(root, schema::kVersion, report.version);
  addValue(root, schema::kTakesEffect, report.takes_effect);
  xmlNodePtr devices = xmlNewChild(root, nullptr, xml(schema::kDevices), nullptr);
  for (const DiscoveredDevice& device : report.devices) addDevice(devices, device);
  // The library is given no file name: it would read one as a URI, so that
  // "%41" or "-" would name another file than the one the user gave.
  xmlChar* text = nullptr;
  int size = 0;
  xmlDocDumpFormatMemory(doc, &text, &size, 1);
  xmlFreeDoc(doc);
  if (text == nullptr || size < 0) return false;
  const std::string bytes(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
  xmlFree(text);
  return writeReportFile(path, bytes);
}
