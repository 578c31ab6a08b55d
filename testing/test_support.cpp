// Scratch directories, files, environment, XML flattening and running executables for the tests.
#include "testing/test_support.h"

#include <libxml/parser.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/shell_quote.h"

namespace testsupport {

TempDir::TempDir() {
  char pattern[] = "/tmp/fcupdate-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  (void)std::system(
      ("chmod -R u+rwx " + shellQuote(path_) + " 2>/dev/null; rm -rf " + shellQuote(path_)).c_str());
}

ScopedChdir::ScopedChdir(const std::string& dir) {
  char buffer[4096];
  if (getcwd(buffer, sizeof buffer) != nullptr) previous_ = buffer;
  if (chdir(dir.c_str()) != 0) throw std::runtime_error("chdir failed: " + dir);
}

ScopedChdir::~ScopedChdir() {
  if (!previous_.empty()) (void)chdir(previous_.c_str());
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
  const char* old = std::getenv(name.c_str());
  had_ = old != nullptr;
  if (had_) old_ = old;
  if (value.empty()) {
    unsetenv(name.c_str());
  } else {
    setenv(name.c_str(), value.c_str(), 1);
  }
}

ScopedEnv::~ScopedEnv() {
  if (had_) {
    setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

ScopedUmask::ScopedUmask(unsigned mask) : old_(umask(static_cast<mode_t>(mask))) {}

ScopedUmask::~ScopedUmask() { (void)umask(static_cast<mode_t>(old_)); }

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << content;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool fileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

void makeDirs(const std::string& path) {
  if (std::system(("mkdir -p " + shellQuote(path)).c_str()) != 0) {
    throw std::runtime_error("mkdir failed: " + path);
  }
}

void writeFileWithMode(const std::string& path, mode_t mode) {
  writeFile(path, "#!/bin/sh\n");
  if (chmod(path.c_str(), mode) != 0) throw std::runtime_error("chmod failed: " + path);
}

void makeDirsWithMode(const std::string& path, mode_t mode) {
  makeDirs(path);
  if (chmod(path.c_str(), mode) != 0) throw std::runtime_error("chmod failed: " + path);
}

mode_t modeOf(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

std::string currentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

std::string binDir() {
  const char* dir = std::getenv("FCUPDATE_BIN");
  return dir != nullptr ? dir : "build/bin";
}

namespace {

void flattenXml(xmlNodePtr node, const std::string& prefix, std::vector<std::string>& out) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const std::string path = prefix + "/" + reinterpret_cast<const char*>(node->name);
    std::string line = path;
    for (xmlAttrPtr a = node->properties; a != nullptr; a = a->next) {
      xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
      line += std::string(" ") + reinterpret_cast<const char*>(a->name) + "=" +
              (value != nullptr ? reinterpret_cast<const char*>(value) : "");
      xmlFree(value);
    }
    out.push_back(line);
    flattenXml(node->children, path, out);
  }
}

}  // namespace

std::vector<std::string> xmlLines(const std::string& path) {
  std::vector<std::string> lines;
  xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
  if (doc == nullptr) return lines;
  flattenXml(doc->children, "", lines);
  xmlFreeDoc(doc);
  return lines;
}

RunResult runIn(const std::string& dir, const std::string& commandLine) {
  const std::string command = "cd " + shellQuote(dir) + " && " + commandLine;
  RunResult result{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace testsupport
