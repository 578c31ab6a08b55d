// Loading reference.xml with libxml2 into the reference catalogue.
#include "framework/catalogue.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
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

// Why stat found no file. Its errno is not to be trusted (the portable
// build's stat for the oldest C library leaves it as it was), so an open
// says why.
std::string whyNotThere(const char* fileName) {
  const int fd = openForReading(fileName);
  if (fd < 0) return errno == ENOENT ? "missing" : std::string("cannot be read: ") + std::strerror(errno);
  (void)::close(fd);
  return "cannot be examined";
}

// The whole file, or why not: empty when it was read whole.
std::string readWholeFile(const char* fileName, std::size_t bound, std::string& text) {
  const int fd = openForReading(fileName);
  if (fd < 0) return std::string("cannot be read: ") + std::strerror(errno);
  char piece[65536];
  ssize_t n = 0;
  std::string why;
  while ((n = ::read(fd, piece, sizeof piece)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = std::string("cannot be read: ") + std::strerror(errno);
      break;
    }
    if (text.size() + static_cast<std::size_t>(n) > bound) {
      why = "over the bound of 16 MB";
      break;
    }
    text.append(piece, static_cast<std::size_t>(n));
  }
  (void)::close(fd);
  return why;
}

// The parser's messages may quote names from the document, of any length:
// this much of one is kept.
constexpr std::size_t kShownMessage = 512;

// A message of the parser as one line: it may continue on a second.
std::string oneLine(const std::string& message) {
  std::string line;
  for (char c : message) {
    const bool space = c == '\n' || c == '\r' || c == '\t' || c == ' ';
    if (space && (line.empty() || line.back() == ' ')) continue;
    line += space ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

struct FirstError {
  bool seen = false;
  int line = 0;
  std::string message;
};

void keepFirstError(void* context, xmlErrorPtr error) {
  FirstError& first = *static_cast<FirstError*>(context);
  if (first.seen || error == nullptr) return;
  first.seen = true;
  first.line = error->line;
  if (error->message != nullptr) first.message.assign(error->message, strnlen(error->message, kShownMessage));
}

// The parser's own account of where the text first stops being a document.
// The parser has already said it on standard error, as it always has; this
// second parse only listens, so nothing more is printed.
std::string parseError(const std::string& text, const char* fileName) {
  if (text.empty()) return "not well-formed: the file is empty";
  FirstError first;
  xmlSetStructuredErrorFunc(&first, keepFirstError);
  xmlDocPtr doc =
      xmlReadMemory(text.data(), static_cast<int>(text.size()), fileName, nullptr, XML_PARSE_NONET);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  if (doc != nullptr) xmlFreeDoc(doc);
  if (!first.seen) return "not well-formed";
  return "not well-formed: line " + std::to_string(first.line) + ": " + oneLine(first.message);
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

bool loadReferenceCatalogueFile(const char* fileName, ReferenceCatalogue& catalogue, CatalogueFacts& facts) {
  facts = CatalogueFacts();
  struct stat info;
  if (stat(fileName, &info) != 0) {
    facts.error = whyNotThere(fileName);
    return false;
  }
  facts.mtime = static_cast<long long>(info.st_mtime);
  std::string text;
  facts.error = readWholeFile(fileName, kCatalogueBound, text);
  facts.bytes = text.size();
  if (!facts.error.empty()) return false;
  xmlInitParser();
  // No network, no entity expansion, no external DTD: a hostile catalogue
  // cannot make the loader fetch or expand anything.
  xmlDocPtr doc =
      xmlReadMemory(text.data(), static_cast<int>(text.size()), fileName, nullptr, XML_PARSE_NONET);
  if (doc == nullptr) {
    facts.error = parseError(text, fileName);
    return false;
  }
  walk(doc->children, catalogue);
  xmlFreeDoc(doc);
  xmlCleanupParser();
  facts.loaded = true;
  facts.entries = catalogue.devices.size();
  if (facts.entries == 0) facts.error = "no devices";
  return true;
}

bool loadReferenceCatalogue(ReferenceCatalogue& catalogue, CatalogueFacts& facts) {
  return loadReferenceCatalogueFile("reference.xml", catalogue, facts);
}
