// Writing the inventory as the self-discovery XML report.
#include "framework/report_writer.h"

#include <libxml/tree.h>

#include "framework/report_file.h"
#include "support/wide_text.h"
#include "support/xml_text.h"

namespace {

const xmlChar* xml(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

// Whatever a vendor tool or library printed, only characters XML 1.0 can
// carry reach the document (the log and console keep the text as it was),
// so that every report parses; a text with nothing left is written empty.
void addValue(xmlNodePtr parent, const char* name, const std::wstring& value) {
  xmlNodePtr child = xmlNewChild(parent, nullptr, xml(name), nullptr);
  xmlNewProp(child, xml("value"), xml(xmlCharactersOnly(narrowLow8(value)).c_str()));
}

void addItem(xmlNodePtr device, const FirmwareItem& item) {
  xmlNodePtr node = xmlNewChild(device, nullptr, xml("fw_item"), nullptr);
  addValue(node, "type", item.type);
  addValue(node, "firmware_id", item.firmware_id);
  addValue(node, "version", item.version);
  addValue(node, "active_version", item.active_version);
  addValue(node, "action", item.action);
  addValue(node, "duration", item.duration);
  addValue(node, "message", item.message);
  addValue(node, "shared", item.shared);
}

void addDevice(xmlNodePtr devices, const DiscoveredDevice& device) {
  xmlNodePtr node = xmlNewChild(devices, nullptr, xml("device"), nullptr);
  addValue(node, "device_id", device.device_id);
  addValue(node, "product_id", device.product_id);
  addValue(node, "busnumber", device.busnumber);
  addValue(node, "funcnumber", device.funcnumber);
  for (const FirmwareItem& item : device.fw_items) addItem(node, item);
}

}  // namespace

bool saveDiscoveryReport(const DiscoveryReport& report, const std::string& path) {
  xmlDocPtr doc = xmlNewDoc(nullptr);
  if (doc == nullptr) return false;
  xmlNodePtr root = xmlNewNode(nullptr, xml("tarvo_rom_discovery"));
  xmlNewProp(root, xml("version"), xml("2.0.0.0"));
  xmlDocSetRootElement(doc, root);
  addValue(root, "type", report.type);
  addValue(root, "alt_name", report.alt_name);
  addValue(root, "version", report.version);
  addValue(root, "takes_effect", report.takes_effect);
  xmlNodePtr devices = xmlNewChild(root, nullptr, xml("devices"), nullptr);
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
