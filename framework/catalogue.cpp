// Loading reference.xml with libxml2 into the reference catalogue.
#include "framework/catalogue.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/line_reader.h"
#include "support/wide_text.h"

namespace {

// A package's catalogue lists its few dozen adapters in some kilobytes; one
// past 16 MB is not a catalogue, and a device or FIFO in its place must not
// be read without end.
constexpr std::size_t kCatalogueBound = std::size_t{16} * 1024 * 1024;

// The whole file, or false when it cannot be read or is over bound bytes.
bool readWholeFile(const char* fileName, std::size_t bound, std::string& text) {
  const int fd = openForReading(fileName);
  if (fd < 0) return false;
  char piece[65536];
  ssize_t n = 0;
  while ((n = ::read(fd, piece, sizeof piece)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || text.size() + static_cast<std::size_t>(n) > bound) break;
    text.append(piece, static_cast<std::size_t>(n));
  }
  (void)::close(fd);
  return n == 0;
}

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
  std::string text;
  if (!readWholeFile(fileName, kCatalogueBound, text)) return false;
  xmlInitParser();
  // No network, no entity expansion, no external DTD: a hostile catalogue
  // cannot make the loader fetch or expand anything.
  xmlDocPtr doc =
      xmlReadMemory(text.data(), static_cast<int>(text.size()), fileName, nullptr, XML_PARSE_NONET);
  if (doc == nullptr) return false;
  walk(doc->children, catalogue);
  xmlFreeDoc(doc);
  xmlCleanupParser();
  return true;
}

bool loadReferenceCatalogue(ReferenceCatalogue& catalogue) {
  return loadReferenceCatalogueFile("reference.xml", catalogue);
}
