// Loading reference.xml with libxml2 into the reference catalogue.
#include "framework/catalogue.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/stat.h>

#include <cstring>

#include "support/wide_text.h"

namespace {

bool named(xmlNodePtr node, const char* name) {
  return node->name != nullptr && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// The named attribute's text widened byte by byte; the last match wins,
// empty when there is none.
std::wstring attributeValue(xmlNodePtr element, const char* name) {
  std::wstring value;
  for (xmlAttrPtr attr = element->properties; attr != nullptr; attr = attr->next) {
    if (attr->name == nullptr || std::strcmp(reinterpret_cast<const char*>(attr->name), name) != 0) {
      continue;
    }
    value.clear();
    xmlNodePtr text = attr->children;
    if (text != nullptr && text->content != nullptr) {
      value = widenBytes(reinterpret_cast<const char*>(text->content));
    }
  }
  return value;
}

void readCdataPath(xmlNodePtr element, std::wstring& value) {
  xmlNodePtr first = element->children;
  if (first == nullptr || first->type != XML_CDATA_SECTION_NODE || first->content == nullptr) return;
  value = widenBytes(reinterpret_cast<const char*>(first->content));
}

ReferenceDevice readDevice(xmlNodePtr deviceElement) {
  ReferenceDevice device;
  struct Field {
    const char* name;
    std::wstring ReferenceDevice::*text;
  };
  static const Field fields[] = {
      {"type", &ReferenceDevice::type},         {"device_id", &ReferenceDevice::device_id},
      {"model", &ReferenceDevice::model},       {"firmware", &ReferenceDevice::firmware},
      {"bios", &ReferenceDevice::bios},         {"boot", &ReferenceDevice::boot},
      {"duration", &ReferenceDevice::duration},
  };
  for (xmlNodePtr child = deviceElement->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    for (const Field& field : fields) {
      if (!named(child, field.name)) continue;
      device.*field.text = attributeValue(child, "value");
      if (field.text == &ReferenceDevice::bios && device.bios.empty()) device.biosFlag = 0;
    }
  }
  return device;
}

void readDevices(xmlNodePtr devicesElement, ReferenceCatalogue& catalogue) {
  for (xmlNodePtr child = devicesElement->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && named(child, "device")) {
      catalogue.devices.push_back(readDevice(child));
    }
  }
}

// Walks one level of nodes; the root element hands the walk to its children,
// and top-level nodes after it are not visited.
void walk(xmlNodePtr node, ReferenceCatalogue& catalogue) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    if (named(node, "maplu_fchba_reference")) {
      walk(node->children, catalogue);
      return;
    }
    if (named(node, "discovery_app_path")) {
      readCdataPath(node, catalogue.discoveryAppPath);
    } else if (named(node, "installer_app_path")) {
      readCdataPath(node, catalogue.installerAppPath);
    } else if (named(node, "devices")) {
      readDevices(node, catalogue);
    }
  }
}

}  // namespace

bool loadReferenceCatalogueFile(const char* fileName, ReferenceCatalogue& catalogue) {
  struct stat info;
  if (stat(fileName, &info) != 0) return false;
  xmlInitParser();
  // No network, no entity expansion, no external DTD: a hostile catalogue
  // cannot make the loader fetch or expand anything.
  xmlDocPtr doc = xmlReadFile(fileName, nullptr, XML_PARSE_NONET);
  if (doc == nullptr) return false;
  walk(doc->children, catalogue);
  xmlFreeDoc(doc);
  xmlCleanupParser();
  return true;
}

bool loadReferenceCatalogue(ReferenceCatalogue& catalogue) {
  return loadReferenceCatalogueFile("reference.xml", catalogue);
}
