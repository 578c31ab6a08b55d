// fcsandbox: lays out a simulated server for a manual or scripted run of the
// components (see testing/sandbox.h for the layout).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "testing/adapter_text.h"
#include "testing/sandbox.h"

namespace {

// The registered vendors' words, as the usage text lists them: "qlogic|emulex|brocade".
std::string vendorChoices() {
  std::string choices;
  for (testsupport::Vendor vendor : testsupport::allVendors()) {
    choices += (choices.empty() ? "" : "|") + std::string(testsupport::vendorWord(vendor));
  }
  return choices;
}

int usage(const std::string& problem) {
  if (!problem.empty()) (void)std::fprintf(stderr, "fcsandbox: %s\n", problem.c_str());
  const std::string text =
      "usage: fcsandbox ROOT WORKDIR [--direct VENDOR] [--reference FILE] [--library PATH] ADAPTER...\n"
      "  ROOT      the system root to lay out (use it as FCUPDATE_ROOT)\n"
      "  WORKDIR   the working directory, with reference.xml\n"
      "  ADAPTER   key=value,... with vendor=" +
      vendorChoices() +
      ", pci=DDDD:BB:DD.F,\n"
      "            id=VVVV:DDDD:SSSS:SSSS, wwpn=WWN (once per port), wwnn, name, model,\n"
      "            serial, driver, firmware, optionrom, fail=what+what\n"
      "  --direct VENDOR   register VENDOR's library under a neutral path (direct route)\n"
      "  --reference FILE  use FILE as reference.xml instead of one made from the adapters\n"
      "  --library PATH    the simulated library to copy\n";
  (void)std::fputs(text.c_str(), stderr);
  return 64;
}

std::string absolute(const std::string& path) {
  testsupport::makeDirs(path);
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) throw std::runtime_error("cannot resolve " + path);
  std::string result = resolved;
  std::free(resolved);
  return result;
}

int build(int argc, char** argv) {
  if (argc < 3) return usage("");
  // Absolute, because hba.conf names the libraries by full path and the
  // components run from the working directory.
  testsupport::Sandbox box(absolute(argv[1]), absolute(argv[2]));
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue = arg == "--direct" || arg == "--reference" || arg == "--library";
    if (takesValue && i + 1 >= argc) return usage(arg + " needs a value");
    testsupport::Vendor vendor;
    if (arg == "--direct") {
      if (!testsupport::vendorNamed(argv[++i], vendor))
        return usage(std::string("unknown vendor: ") + argv[i]);
      box.setRoute(vendor, testsupport::Route::Direct);
    } else if (arg == "--reference") {
      if (!testsupport::fileExists(argv[++i])) return usage(std::string("no such file: ") + argv[i]);
      box.setReference(testsupport::readFile(argv[i]));
    } else if (arg == "--library") {
      box.setLibrarySource(argv[++i]);
    } else {
      testsupport::SimAdapter adapter;
      std::string error;
      if (!testsupport::parseAdapterText(arg, adapter, error)) return usage(error);
      box.add(adapter);
    }
  }
  box.build();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return build(argc, argv);
  } catch (const std::exception& failure) {
    (void)std::fprintf(stderr, "fcsandbox: %s\n", failure.what());
    return 1;
  }
}
