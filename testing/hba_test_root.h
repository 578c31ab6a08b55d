// A scratch system root for the discovery tests: hba.conf, simulated library
// copies and sysfs below it, with FCUPDATE_ROOT pointing at it.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "fchba/hba_dispatch.h"
#include "testing/sandbox.h"
#include "testing/test_support.h"

// A named adapter of the simulated library with one port per WWN.
inline testsupport::SimAdapter namedAdapter(const std::string& name,
                                            const std::vector<std::string>& ports = {}) {
  testsupport::SimAdapter adapter =
      testsupport::simAdapter(testsupport::Vendor::QLogic, "0000:05:00.0", "1077:2532:1077:015d", ports);
  adapter.name = name;
  return adapter;
}

struct HbaTestRoot {
  testsupport::TempDir dir;
  testsupport::ScopedEnv env{"FCUPDATE_ROOT", dir.path()};

  HbaTestRoot() { testsupport::makeDirs(dir / "etc"); }
  // The dispatcher's tables are process-wide: leave nothing loaded behind.
  ~HbaTestRoot() { HBA_FreeLibrary(); }

  // Installs a simulated library copy at root/<relative> and returns its path.
  std::string library(const std::string& relative, const std::string& description,
                      const std::string& variant = "") {
    std::string path = dir / relative;
    testsupport::installSimLibrary(path, description, variant);
    return path;
  }
  std::string library(const std::string& relative, const std::vector<testsupport::SimAdapter>& adapters,
                      const std::string& libraryLines = "") {
    return library(relative, testsupport::simDescription(adapters, libraryLines));
  }
  void conf(const std::string& text) { testsupport::writeFile(dir / "etc/hba.conf", text); }

  // One library for each way a library fails to be taken into use after it
  // was opened: no registration entry point, version 0, registration refused,
  // LoadLibraryHandler failing, and each of two handlers missing.
  struct RefusingLibraries {
    std::string noRegister, version0, refused, loadFails, noVersion, noLoad;
  };
  RefusingLibraries refusingLibraries() {
    return {library("lib/noreg.so", testsupport::simDescription({namedAdapter("x")}), "HBA_RegisterLibrary"),
            library("lib/v0.so", {namedAdapter("v")}, "version=0\n"),
            library("lib/refused.so", {namedAdapter("r")}, "register=1\n"),
            library("lib/loadfails.so", {namedAdapter("l")}, "load=5\n"),
            library("lib/nover.so", {namedAdapter("n")}, "null=GetVersionHandler\n"),
            library("lib/noload.so", {namedAdapter("m")}, "null=LoadLibraryHandler\n")};
  }
  // How many calls of the library's trace start with what.
  static int calls(const std::string& libraryPath, const std::string& what) {
    const std::vector<std::string> lines = testsupport::simCalls(libraryPath);
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.compare(0, what.size(), what) == 0;
    }));
  }
};
