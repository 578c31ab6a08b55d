// Installing the stand-in vendor tools and writing their control files.
#include "testing/standins/standins.h"

#include <cstdio>
#include <cstdlib>

#include "support/shell_quote.h"
#include "testing/test_support.h"

namespace standins {

namespace {

std::string sourcePath(const std::string& name) { return std::string(FCUPDATE_STANDINS_DIR) + "/" + name; }

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

}  // namespace

Workspace::Workspace() : env_("FCUPDATE_ROOT", root_.path()), chdir_(work_.path()) {}

std::string Workspace::log() const { return testsupport::readFile(root_ / "var/vlx/Component.log"); }

bool writeEmulexKit(const std::string& dir, const std::string& version) {
  // Staged outside dir, so that only the component's unzip unpacks it there.
  testsupport::TempDir staging;
  const std::string kit = "elxflashStandalone-" + version;
  const std::string script = staging / (kit + "/lx/elxflash.sh");
  testsupport::makeDirs(staging / (kit + "/lx"));
  const std::string archive = shellQuote(dir + "/" + kit + ".zip");
  return run("cp " + shellQuote(sourcePath("elxflash.sh")) + " " + shellQuote(script) + " && chmod 644 " +
             shellQuote(script) + " && cd " + shellQuote(staging.path()) + " && rm -f " + archive +
             " && zip -qr " + archive + " " + shellQuote(kit) + " && chmod 644 " + archive);
}

namespace {

// A Python literal of any bytes.
std::string pythonBytes(const std::string& bytes) {
  std::string literal = "b'";
  char escaped[8];
  for (unsigned char c : bytes) {
    (void)std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
    literal += escaped;
  }
  return literal + "'";
}

}  // namespace

bool writeArchive(const std::string& path, const std::vector<ArchiveEntry>& entries) {
  testsupport::TempDir staging;
  std::string program =
      "import sys, zipfile\n"
      "archive = zipfile.ZipFile(sys.argv[1], 'w')\n"
      "def add(name, content, mode):\n"
      "    entry = zipfile.ZipInfo(name.decode('latin-1'), (2020, 1, 1, 0, 0, 0))\n"
      "    entry.create_system = 3\n"
      "    entry.external_attr = mode << 16\n"
      "    archive.writestr(entry, content)\n";
  for (const ArchiveEntry& entry : entries) {
    program += "add(" + pythonBytes(entry.name) + ", " + pythonBytes(entry.content) + ", " +
               std::to_string(entry.mode) + ")\n";
  }
  program += "archive.close()\n";
  testsupport::writeFile(staging / "make.py", program);
  return run("python3 " + shellQuote(staging / "make.py") + " " + shellQuote(path));
}

std::string kitScript() { return testsupport::readFile(sourcePath("elxflash.sh")); }

bool writeBootUpdateTool(const std::string& dir) {
  const std::string tool = shellQuote(dir + "/bcu_bootupdate");
  return run("cp " + shellQuote(sourcePath("bcu_bootupdate")) + " " + tool + " && chmod 644 " + tool);
}

void setQueryOutput(const std::string& dir, const std::string& tool, const std::string& output) {
  testsupport::writeFile(dir + "/" + tool + ".query", output);
}

void setExitCode(const std::string& dir, const std::string& tool, int code) {
  testsupport::writeFile(dir + "/" + tool + ".exit", std::to_string(code) + "\n");
}

void setSignal(const std::string& dir, const std::string& tool, const std::string& signal) {
  testsupport::writeFile(dir + "/" + tool + ".exit", "signal " + signal + "\n");
}

std::string recordedCalls(const std::string& dir, const std::string& tool) {
  return testsupport::readFile(dir + "/" + tool + ".calls");
}

}  // namespace standins
