// The VLXFC_ extension: vendor choice, shared and direct routes, and their failures.
#include "fchba/vendor_extension.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "testing/hba_test_root.h"

using testsupport::SimAdapter;

namespace {

const char* kWwn = "20:00:00:1b:32:0a:0b:0c";

// An adapter reported by the given library path, located at 0000:81:00.1.
SimAdapter locatedAdapter(const std::string& name, const std::string& nodeWwn = kWwn) {
  SimAdapter adapter = namedAdapter(name);
  adapter.nodeWwn = nodeWwn;
  adapter.pci = "0000:81:00.1";
  adapter.id = "1077:2532:1077:015d";
  adapter.extra = "vendor_specific_id=0x99\n";
  return adapter;
}

// Loads the configuration and reads adapter 0 through the HBA API.
std::unique_ptr<FcHbaAdapter> firstAdapter() {
  EXPECT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  EXPECT_GE(HBA_GetNumberOfAdapters(), 1u);
  auto adapter = std::make_unique<FcHbaAdapter>(0);
  EXPECT_EQ(adapter->refresh(), 0);
  return adapter;
}

void expectLocated(const FcHbaAdapter& adapter) {
  EXPECT_EQ(adapter.subsystemWord(), 0x015d1077u);
  EXPECT_EQ(adapter.pciBus(), 0x81);
  EXPECT_EQ(adapter.pciFunction(), 1);
  EXPECT_EQ(adapter.pciDomain(), 0);
}

void expectUnlocated(const FcHbaAdapter& adapter) {
  EXPECT_EQ(adapter.subsystemWord(), 0x99u);  // the standard VendorSpecificID
  EXPECT_EQ(adapter.pciBus(), 0);
  EXPECT_EQ(adapter.pciFunction(), 0);
}

}  // namespace

TEST(VendorExtension, VendorIsChosenByCaseSensitiveNameWords) {
  struct Case {
    const char* name;
    const char* pattern;
  } cases[] = {{"qlogic-QLE2562-0", "libqlsdm"}, {"QLogic-QLE2562-0", "bfahbaapi"},
               {"com.Emulex-LPe", "libemsdm"},   {"emulex-lpe", "bfahbaapi"},
               {"Emulex-qlogic", "libqlsdm"},    {"Brocade-825", "bfahbaapi"}};
  for (const Case& c : cases) EXPECT_STREQ(vendorOf(c.name).pattern, c.pattern) << c.name;
  EXPECT_STREQ(vendorOf("qlogic").paths[1], "/usr/lib64/libqlsdm-x86_64.so");
  EXPECT_STREQ(vendorOf("x").loadFailureText, "unable to load bfahbaapi");
}

TEST(VendorExtension, BindingTheSharedExtension) {
  HbaTestRoot root;
  const std::string full = root.library("lib/libqlsdm.so", {locatedAdapter("qlogic-a")});
  const std::string lacking =
      root.library("lib2/libqlsdm.so", testsupport::simDescription({}), "VLXFC_GetAdapterAttributes2");
  StatusText text = {};
  bool failed = false;
  VLXFCGetAdapterAttributes2Func read = nullptr;
  EXPECT_FALSE(bindSharedExtension("Emulex-x", full.c_str(), nullptr, text, failed, read));
  EXPECT_STREQ(text, "");

  EXPECT_TRUE(bindSharedExtension("qlogic-x", full.c_str(), nullptr, text, failed, read));
  EXPECT_TRUE(failed);
  EXPECT_STREQ(text, "libHandle is NULL; cannot dlsym");

  void* lackingHandle = dlopen(lacking.c_str(), RTLD_LAZY);
  ASSERT_NE(lackingHandle, nullptr);
  EXPECT_TRUE(bindSharedExtension("qlogic-x", lacking.c_str(), lackingHandle, text, failed, read));
  EXPECT_TRUE(failed);
  EXPECT_STREQ(text, "unable to dlsym for VLXFC_GetAdapterAttributes2");
  dlclose(lackingHandle);

  void* handle = dlopen(full.c_str(), RTLD_LAZY);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(bindSharedExtension("qlogic-x", full.c_str(), handle, text, failed, read));
  EXPECT_FALSE(failed);
  EXPECT_NE(read, nullptr);
  EXPECT_STREQ(text, "dlsym for VLXFC_GetAdapterAttributes2 success!");
  dlclose(handle);
}

TEST(VendorExtension, SharedRouteTakesTheLocationOfTheSameNodeWwn) {
  HbaTestRoot root;
  const std::string lib = root.library("lib/libqlsdm.so", {locatedAdapter("qlogic-a")});
  root.conf("ql " + lib + "\n");
  auto adapter = firstAdapter();
  expectUnlocated(*adapter);
  resolvePciLocation(*adapter);
  expectLocated(*adapter);
  EXPECT_EQ(HbaTestRoot::calls(lib, "VLXFC_GetAdapterAttributes2 0x1"), 1);
  EXPECT_EQ(HbaTestRoot::calls(lib, "CloseAdapterHandler"), 2);
  EXPECT_EQ(HbaTestRoot::calls(lib, "FreeLibraryHandler"), 0);  // the set stays loaded
}

TEST(VendorExtension, SharedRouteWithAnotherNodeWwnChangesNothing) {
  HbaTestRoot root;
  SimAdapter adapter = locatedAdapter("qlogic-a");
  adapter.extra += "ext_node_wwn=20:00:00:1b:32:0a:0b:0d\n";  // the last byte differs
  SimAdapter failing = locatedAdapter("qlogic-b", "20:00:00:1b:32:0a:0b:0e");
  failing.fail = "attributes2";
  const std::string lib = root.library("lib/libqlsdm.so", {adapter, failing});
  root.conf("ql " + lib + "\n");
  auto first = firstAdapter();
  resolvePciLocation(*first);
  expectUnlocated(*first);

  void* handle = dlopen(lib.c_str(), RTLD_LAZY);
  auto read = reinterpret_cast<VLXFCGetAdapterAttributes2Func>(dlsym(handle, "VLXFC_GetAdapterAttributes2"));
  StatusText text = "before";
  EXPECT_EQ(readAttributes2Shared(*first, (5u << 16) | 1, read, text), 0);
  EXPECT_STREQ(text, "before");
  EXPECT_EQ(readAttributes2Shared(*first, (5u << 16) | 2, read, text), -3);
  EXPECT_STREQ(text, "fail to read adapter attribs: handle used is 0x2: retStatus is 0xc");
  expectUnlocated(*first);
  dlclose(handle);
}

TEST(VendorExtension, SharedReadSuccessText) {
  HbaTestRoot root;
  const std::string lib = root.library("lib/libqlsdm.so", {locatedAdapter("qlogic-a")});
  root.conf("ql " + lib + "\n");
  auto adapter = firstAdapter();
  void* handle = dlopen(lib.c_str(), RTLD_LAZY);
  auto read = reinterpret_cast<VLXFCGetAdapterAttributes2Func>(dlsym(handle, "VLXFC_GetAdapterAttributes2"));
  StatusText text = {};
  EXPECT_EQ(readAttributes2Shared(*adapter, (3u << 16) | 1, read, text), 0);
  EXPECT_STREQ(text, "read adapter attribs Success! handle used is 0x1");
  expectLocated(*adapter);
  dlclose(handle);
}

TEST(VendorExtension, DirectRouteResultsAndTexts) {
  SimAdapter other = locatedAdapter("qlogic-other", "20:00:00:1b:32:0a:0b:00");
  SimAdapter noName = locatedAdapter("qlogic-a");
  noName.fail = "vlxfc_name";
  SimAdapter noOpen = locatedAdapter("qlogic-a");
  noOpen.fail = "vlxfc_open";
  SimAdapter noRead = locatedAdapter("qlogic-a");
  noRead.fail = "attributes2";
  struct Case {
    const char* label;
    const char* vendorCopy;  // below the root; empty: none
    std::vector<SimAdapter> adapters;
    std::string libraryLines;
    std::string variant;
    int result;
    std::string text;
  } cases[] = {
      {"found", "usr/lib/libqlsdm.so", {other, locatedAdapter("qlogic-a")}, "", "", 0, "pass"},
      {"second path", "usr/lib64/libqlsdm-x86_64.so", {locatedAdapter("qlogic-a")}, "", "", 0, "pass"},
      {"third path", "lib/cim/libqlsdm.so", {locatedAdapter("qlogic-a")}, "", "", 0, "pass"},
      {"no library", "", {}, "", "", -1, "unable to load qlsdm"},
      {"wrong file name",
       "usr/lib/libqlsdm-x86_64.so",
       {locatedAdapter("qlogic-a")},
       "",
       "",
       -1,
       "unable to load qlsdm"},
      {"no open",
       "usr/lib/libqlsdm.so",
       {},
       "",
       "VLXFC_OpenAdapter",
       -2,
       "unable to dlsym for VLXFC_OpenAdapter"},
      {"no free",
       "usr/lib/libqlsdm.so",
       {},
       "",
       "VLXFC_FreeLibrary",
       -2,
       "unable to dlsym for VLXFC_FreeLibrary"},
      {"read fails",
       "usr/lib/libqlsdm.so",
       {noRead},
       "",
       "",
       -3,
       "fail to read adapter attribs, adapterHandle 0x1, retStatus 0xc"},
      {"open fails", "usr/lib/libqlsdm.so", {other, noOpen}, "", "", -4, "fail to open adapter"},
      {"name fails", "usr/lib/libqlsdm.so", {noName}, "", "", -5, "fail to get adapter number"},
      {"no match", "usr/lib/libqlsdm.so", {other}, "", "", -6, "could not find WWNN match"},
      {"negative count",
       "usr/lib/libqlsdm.so",
       {locatedAdapter("qlogic-a")},
       "count=4294967295\n",
       "",
       -6,
       "could not find WWNN match"},
      {"load fails",
       "usr/lib/libqlsdm.so",
       {locatedAdapter("qlogic-a")},
       "vlxfc_load=3\n",
       "",
       -7,
       "fail to load library"},
  };
  for (const Case& c : cases) {
    HbaTestRoot root;
    SimAdapter reported = locatedAdapter("qlogic-a");
    const std::string neutral = root.library("opt/hbaapi/libhbaapi.so", {reported});
    root.conf("ql " + neutral + "\n");
    std::string copy;
    if (*c.vendorCopy != '\0') {
      copy = root.library(c.vendorCopy, testsupport::simDescription(c.adapters, c.libraryLines), c.variant);
    }
    auto adapter = firstAdapter();
    char name[1024] = "qlogic-a";
    StatusText text = {};
    EXPECT_EQ(readAttributes2Direct(*adapter, name, text), c.result) << c.label;
    EXPECT_STREQ(text, c.text.c_str()) << c.label;
    if (c.result == 0) {
      expectLocated(*adapter);
    } else {
      expectUnlocated(*adapter);
    }
    if (copy.empty()) continue;
    EXPECT_EQ(dlopen(copy.c_str(), RTLD_LAZY | RTLD_NOLOAD), nullptr) << c.label << ": left loaded";
    const bool libraryLoaded = c.result != -1 && c.result != -2 && c.result != -7;
    EXPECT_EQ(HbaTestRoot::calls(copy, "VLXFC_FreeLibrary"), libraryLoaded ? 1 : 0) << c.label;
    EXPECT_EQ(HbaTestRoot::calls(copy, "VLXFC_CloseAdapter"),
              HbaTestRoot::calls(copy, "VLXFC_GetAdapterAttributes2"))
        << c.label;
  }
}

TEST(VendorExtension, DirectRouteFirstOfTwoEqualNodeWwnsWins) {
  HbaTestRoot root;
  const std::string neutral = root.library("opt/hbaapi/libhbaapi.so", {locatedAdapter("qlogic-a")});
  root.conf("ql " + neutral + "\n");
  SimAdapter first = locatedAdapter("qlogic-first");
  SimAdapter second = locatedAdapter("qlogic-second");
  second.pci = "0000:82:00.0";
  const std::string copy = root.library("usr/lib/libqlsdm.so", {first, second});
  auto adapter = firstAdapter();
  char name[1024] = "qlogic-a";
  StatusText text = {};
  EXPECT_EQ(readAttributes2Direct(*adapter, name, text), 0);
  expectLocated(*adapter);
  EXPECT_EQ(HbaTestRoot::calls(copy, "VLXFC_GetAdapterAttributes2"), 1);
}

TEST(VendorExtension, DirectRouteUnloadsAndReloadsTheHbaApiSet) {
  HbaTestRoot root;
  const std::string neutral = root.library("opt/hbaapi/libhbaapi.so", {locatedAdapter("Emulex-a")});
  const std::string other = root.library("opt/hbaapi/libother.so", {locatedAdapter("b")});
  root.conf("em " + neutral + "\nother " + other + "\n");
  const std::string copy = root.library("usr/lib64/libemsdm.so", {locatedAdapter("Emulex-a")});
  auto adapter = firstAdapter();
  resolvePciLocation(*adapter);
  expectLocated(*adapter);
  for (const std::string& lib : {neutral, other}) {
    EXPECT_EQ(HbaTestRoot::calls(lib, "FreeLibraryHandler"), 1) << lib;
    EXPECT_EQ(HbaTestRoot::calls(lib, "HBA_RegisterLibrary"), 2) << lib;
  }
  EXPECT_EQ(hbaLibrarySlot(0).status, kSlotLoaded);
  EXPECT_EQ(hbaLibrarySlot(1).status, kSlotLoaded);
  EXPECT_EQ(HbaTestRoot::calls(copy, "VLXFC_LoadLibrary"), 1);
  EXPECT_EQ(dlopen(copy.c_str(), RTLD_LAZY | RTLD_NOLOAD), nullptr);
}

TEST(VendorExtension, FailedSharedBindingLeavesTheAdapterAlone) {
  HbaTestRoot root;
  const std::string lib =
      root.library("lib/libqlsdm.so", testsupport::simDescription({locatedAdapter("qlogic-a")}),
                   "VLXFC_GetAdapterAttributes2");
  root.conf("ql " + lib + "\n");
  auto adapter = firstAdapter();
  resolvePciLocation(*adapter);
  expectUnlocated(*adapter);
  EXPECT_EQ(HbaTestRoot::calls(lib, "OpenAdapterHandler"), 1);  // only the refresh opened it
}

// The step says whether it took the location, with the route's last text.
TEST(VendorExtension, ResolveSaysWhetherItLocatedTheAdapter) {
  {
    HbaTestRoot root;
    const std::string lib = root.library("lib/libqlsdm.so", {locatedAdapter("qlogic-a")});
    root.conf("ql " + lib + "\n");
    auto adapter = firstAdapter();
    const PciLocation shared = resolvePciLocation(*adapter);
    EXPECT_TRUE(shared.located);
    EXPECT_EQ(shared.statusText, "read adapter attribs Success! handle used is 0x1");
  }
  {
    HbaTestRoot root;
    const std::string neutral = root.library("opt/hbaapi/libhbaapi.so", {locatedAdapter("qlogic-a")});
    root.conf("ql " + neutral + "\n");
    root.library("usr/lib/libqlsdm.so", {locatedAdapter("qlogic-a")});
    auto adapter = firstAdapter();
    const PciLocation direct = resolvePciLocation(*adapter);
    EXPECT_TRUE(direct.located);
    EXPECT_EQ(direct.statusText, "pass");
    expectLocated(*adapter);
  }
  {
    HbaTestRoot root;
    SimAdapter other = locatedAdapter("qlogic-a");
    other.extra += "ext_node_wwn=20:00:00:1b:32:0a:0b:0d\n";
    const std::string lib = root.library("lib/libqlsdm.so", {other});
    root.conf("ql " + lib + "\n");
    auto adapter = firstAdapter();
    const PciLocation mismatch = resolvePciLocation(*adapter);
    EXPECT_FALSE(mismatch.located);
    EXPECT_EQ(mismatch.statusText, "could not find WWNN match");
  }
}
