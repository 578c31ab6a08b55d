// The HBA API dispatcher: loading, adapter order, handles, forwarding and its bounds.
#include "fchba/hba_dispatch.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "testing/hba_test_root.h"

using testsupport::SimAdapter;

namespace {

std::vector<std::string> adapterNames() {
  std::vector<std::string> names;
  const HBA_UINT32 count = HBA_GetNumberOfAdapters();
  for (HBA_UINT32 i = 0; i < count; ++i) {
    char name[256] = {};
    EXPECT_EQ(HBA_GetAdapterName(i, name), HBA_STATUS_OK);
    names.push_back(name);
  }
  return names;
}

}  // namespace

TEST(HbaDispatch, MissingConfigurationLoadsNothing) {
  HbaTestRoot root;
  EXPECT_EQ(HBA_LoadLibrary(), HBA_STATUS_ERROR);
  EXPECT_EQ(HBA_GetNumberOfAdapters(), 0u);
  char name[256];
  EXPECT_EQ(HBA_GetAdapterName(0, name), HBA_STATUS_ERROR_ILLEGAL_INDEX);
  EXPECT_EQ(HBA_GetVersion(), 1u);
}

TEST(HbaDispatch, ConfigurationLinesAndAdapterOrder) {
  HbaTestRoot root;
  const std::string a = root.library("lib/a.so", {namedAdapter("a0"), namedAdapter("a1")});
  const std::string b = root.library("lib/b.so", {namedAdapter("b0")});
  const std::string c = root.library("lib/c.so", {namedAdapter("c0")});
  root.conf(
      "# HBA API libraries\n"
      "nameonly\n"
      "\n"
      "first\t  " +
      a +
      "\r\n"
      "second " +
      b +
      " trailing words\n"
      "third\t" +
      c + "+extra\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(adapterNames(), (std::vector<std::string>{"a0", "a1", "b0", "c0"}));
  EXPECT_STREQ(hbaLibrarySlot(0).name, "first");
  EXPECT_STREQ(hbaLibrarySlot(0).path, a.c_str());
  EXPECT_STREQ(hbaLibrarySlot(1).name, "second");
  EXPECT_STREQ(hbaLibrarySlot(1).path, b.c_str());
  EXPECT_STREQ(hbaLibrarySlot(2).path, c.c_str());
  EXPECT_EQ(hbaAdapterSlot(3).libraryIndex, 2u);
  char path[256];
  EXPECT_EQ(libraryOfAdapter(2, path), hbaLibrarySlot(1).handle);
  EXPECT_STREQ(path, b.c_str());
  EXPECT_EQ(libraryOfAdapter(4, path), nullptr);
  EXPECT_STREQ(path, "");
}

TEST(HbaDispatch, LibrariesThatDoNotRegisterContributeNothing) {
  HbaTestRoot root;
  const auto [noRegister, version0, refused, loadFails, noVersion, noLoad] = root.refusingLibraries();
  const std::string good = root.library("lib/good.so", {namedAdapter("good")});
  root.conf("a " + noRegister + "\nb " + version0 + "\nc " + refused + "\nd " + loadFails + "\ne " +
            noVersion + "\nf /no/such/library.so\ng " + good + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(adapterNames(), std::vector<std::string>{"good"});
  EXPECT_EQ(hbaLibrarySlot(1).status, kSlotNotLoaded);  // version 0
  EXPECT_EQ(hbaLibrarySlot(2).status, kSlotNotLoaded);  // registration refused
  EXPECT_EQ(hbaLibrarySlot(3).status, kSlotNotLoaded);  // LoadLibraryHandler failed
  EXPECT_EQ(hbaLibrarySlot(6).status, kSlotLoaded);     // every line used a slot
  EXPECT_EQ(HbaTestRoot::calls(version0, "LoadLibraryHandler"), 0);
  EXPECT_EQ(HbaTestRoot::calls(version0, "GetNumberOfAdaptersHandler"), 0);
  // Libraries not taken into use are not left mapped.
  for (const std::string& path : {noRegister, version0, refused, loadFails, noVersion}) {
    EXPECT_EQ(dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD), nullptr) << path;
  }
}

TEST(HbaDispatch, FreeUnloadsAndLoadRefillsInTheSameOrder) {
  HbaTestRoot root;
  const std::string a = root.library("lib/a.so", {namedAdapter("a0")});
  const std::string b = root.library("lib/b.so", {namedAdapter("b0")});
  root.conf("a " + a + "\nb " + b + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  ASSERT_EQ(HBA_GetNumberOfAdapters(), 2u);
  EXPECT_EQ(HBA_FreeLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(HbaTestRoot::calls(a, "FreeLibraryHandler"), 1);
  EXPECT_EQ(dlopen(a.c_str(), RTLD_LAZY | RTLD_NOLOAD), nullptr);
  EXPECT_EQ(hbaLibrarySlot(0).status, kSlotNotLoaded);
  EXPECT_EQ(HBA_OpenAdapter("a0"), 0u);  // the table survives, the library does not
  EXPECT_EQ(HBA_FreeLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(HbaTestRoot::calls(a, "FreeLibraryHandler"), 1);

  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  // Without a recount the old table still names the adapters, and still fits.
  const HBA_HANDLE handle = HBA_OpenAdapter("b0");
  EXPECT_EQ(handle, (1u << 16) | 1u);
  HBA_CloseAdapter(handle);
  EXPECT_EQ(HbaTestRoot::calls(b, "HBA_RegisterLibrary"), 2);
}

TEST(HbaDispatch, OpenPacksTheSlotAndForwardsWithTheLibraryHandle) {
  HbaTestRoot root;
  const std::string a = root.library("lib/a.so", {namedAdapter("same"), namedAdapter("a1")});
  const std::string b = root.library("lib/b.so", {namedAdapter("b0"), namedAdapter("same")});
  root.conf("a " + a + "\nb " + b + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  ASSERT_EQ(HBA_GetNumberOfAdapters(), 4u);
  EXPECT_EQ(HBA_OpenAdapter("same"), 1u);  // always the first in the table
  EXPECT_EQ(HBA_OpenAdapter("missing"), 0u);
  const HBA_HANDLE handle = HBA_OpenAdapter("b0");
  ASSERT_EQ(handle, 0x10001u);
  HBA_ADAPTERATTRIBUTES attributes{};
  EXPECT_EQ(HBA_GetAdapterAttributes(handle, &attributes), HBA_STATUS_OK);
  EXPECT_EQ(HbaTestRoot::calls(b, "GetAdapterAttributesHandler 0x1"), 1);
  EXPECT_EQ(HbaTestRoot::calls(a, "GetAdapterAttributesHandler"), 0);
}

TEST(HbaDispatch, HandlesOfNoUsableSlot) {
  HbaTestRoot root;
  const std::string a = root.library("lib/a.so", {namedAdapter("a0", {"21:00:00:00:00:00:00:01"})});
  const std::string off = root.library("lib/off.so", {namedAdapter("o")}, "version=0\n");
  root.conf("a " + a + "\noff " + off + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  HBA_ADAPTERATTRIBUTES attributes{};
  HBA_PORTSTATISTICS statistics{};
  EXPECT_EQ(HBA_GetAdapterAttributes(3u << 16 | 1, &attributes), HBA_STATUS_ERROR);  // unset slot
  EXPECT_EQ(HBA_GetAdapterAttributes(1u << 16 | 1, &attributes), HBA_STATUS_ERROR);  // not loaded
  EXPECT_EQ(HBA_GetAdapterAttributes(32u << 16 | 1, &attributes), HBA_STATUS_ERROR_INVALID_HANDLE);
  EXPECT_EQ(HBA_GetPortStatistics(0xFFFF0001u, 0, &statistics), HBA_STATUS_ERROR_INVALID_HANDLE);
  HBA_CloseAdapter(0xFFFF0001u);
  for (const char* call :
       {"GetAdapterAttributesHandler", "GetPortStatisticsHandler", "CloseAdapterHandler"}) {
    EXPECT_EQ(HbaTestRoot::calls(a, call), 0) << call;
    EXPECT_EQ(HbaTestRoot::calls(off, call), 0) << call;
  }
}

TEST(HbaDispatch, MissingHandlersAnswerNotSupportedWithoutACall) {
  HbaTestRoot root;
  const std::string a = root.library(
      "lib/a.so", {namedAdapter("a0")},
      "null=GetAdapterAttributesHandler,GetAdapterPortAttributesHandler,GetPortStatisticsHandler,"
      "CloseAdapterHandler\n");
  root.conf("a " + a + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  ASSERT_EQ(HBA_GetNumberOfAdapters(), 1u);
  const HBA_HANDLE handle = HBA_OpenAdapter("a0");
  ASSERT_NE(handle, 0u);
  HBA_ADAPTERATTRIBUTES attributes{};
  HBA_PORTATTRIBUTES port{};
  HBA_PORTSTATISTICS statistics{};
  EXPECT_EQ(HBA_GetAdapterAttributes(handle, &attributes), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_GetAdapterPortAttributes(handle, 0, &port), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_GetPortStatistics(handle, 0, &statistics), HBA_STATUS_ERROR_NOT_SUPPORTED);
  HBA_CloseAdapter(handle);
  EXPECT_EQ(HbaTestRoot::calls(a, "GetAdapterAttributesHandler"), 0);
}

// The same file under a second path, through a symlink or on a repeated line
// is one library: its adapters are numbered once, and every line still takes
// its slot, so the slots of later lines do not move.
TEST(HbaDispatch, ALibraryListedAgainIsNotLoadedAgain) {
  HbaTestRoot root;
  const std::string a = root.library("lib/a.so", {namedAdapter("a0")});
  const std::string b = root.library("lib/b.so", {namedAdapter("b0")});
  ASSERT_EQ(symlink(a.c_str(), (root.dir / "lib/link.so").c_str()), 0);
  root.conf("a " + a + "\nagain " + a + "\nlink " + root.dir / "lib/link.so" + "\ndotted " + root.dir.path() +
            "/lib/./a.so\nb " + b + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(adapterNames(), (std::vector<std::string>{"a0", "b0"}));
  EXPECT_EQ(hbaLibrarySlot(0).status, kSlotLoaded);
  for (HBA_UINT32 slot : {1u, 2u, 3u}) {
    EXPECT_NE(hbaLibrarySlot(slot).status, kSlotLoaded) << slot;
    EXPECT_EQ(hbaLibrarySlot(slot).handle, nullptr) << slot;
  }
  EXPECT_EQ(hbaLibrarySlot(4).status, kSlotLoaded);
  EXPECT_EQ(hbaAdapterSlot(1).libraryIndex, 4u);
  EXPECT_EQ(HbaTestRoot::calls(a, "HBA_RegisterLibrary"), 1);
  // Unloading gives back every reference: the next load registers it afresh.
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(adapterNames(), (std::vector<std::string>{"a0", "b0"}));
  EXPECT_EQ(HbaTestRoot::calls(a, "HBA_RegisterLibrary"), 2);
}

TEST(HbaDispatch, EveryHandleOperationReachesItsHandler) {
  HbaTestRoot root;
  const std::string a = root.library("lib/a.so", {namedAdapter("a0", {"21:00:00:00:00:00:00:01"})});
  const std::string b = root.library("lib/b.so", {namedAdapter("b0", {"21:00:00:00:00:00:00:02"})});
  root.conf("a " + a + "\nb " + b + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  ASSERT_EQ(HBA_GetNumberOfAdapters(), 2u);
  const HBA_HANDLE h = HBA_OpenAdapter("b0");
  ASSERT_EQ(h, 0x10001u);
  HBA_PORTATTRIBUTES port{};
  HBA_PORTSTATISTICS statistics{};
  HBA_WWN wwn{};
  HBA_MGMTINFO info{};
  info.unittype = 77;
  HBA_UINT32 size = 0;
  char buffer[64];
  EXPECT_EQ(HBA_GetAdapterPortAttributes(h, 0, &port), HBA_STATUS_OK);
  EXPECT_EQ(HBA_GetPortStatistics(h, 0, &statistics), HBA_STATUS_OK);
  EXPECT_EQ(HBA_GetDiscoveredPortAttributes(h, 0, 0, &port), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_GetPortAttributesByWWN(h, wwn, &port), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_SendCTPassThru(h, buffer, 1, buffer, 1), HBA_STATUS_ERROR_NOT_SUPPORTED);
  HBA_RefreshInformation(h);
  HBA_ResetStatistics(h, 0);
  EXPECT_EQ(HBA_GetFcpTargetMapping(h, buffer), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_GetFcpPersistentBinding(h, buffer), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_GetEventBuffer(h, buffer, &size), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_SetRNIDMgmtInfo(h, info), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_GetRNIDMgmtInfo(h, buffer), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_SendRNID(h, wwn, 1, buffer, &size), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_SendScsiInquiry(h, wwn, 5, 0, 0, buffer, 1, buffer, 1), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_SendReportLUNs(h, wwn, buffer, 1, buffer, 1), HBA_STATUS_ERROR_NOT_SUPPORTED);
  EXPECT_EQ(HBA_SendReadCapacity(h, wwn, 6, buffer, 1, buffer, 32), HBA_STATUS_ERROR_NOT_SUPPORTED);
  HBA_CloseAdapter(h);
  const char* expected[] = {"GetAdapterPortAttributesHandler 0x1 0",
                            "GetPortStatisticsHandler 0x1 0",
                            "GetDiscoveredPortAttributesHandler 0x1",
                            "GetPortAttributesByWWNHandler 0x1",
                            "SendCTPassThruHandler 0x1",
                            "RefreshInformationHandler 0x1",
                            "ResetStatisticsHandler 0x1",
                            "GetFcpTargetMappingHandler 0x1",
                            "GetFcpPersistentBindingHandler 0x1",
                            "GetEventBufferHandler 0x1",
                            "SetRNIDMgmtInfoHandler 0x1 77",  // the record arrives by value
                            "GetRNIDMgmtInfoHandler 0x1",
                            "SendRNIDHandler 0x1",
                            "ScsiInquiryHandler 0x1 5",
                            "ReportLUNsHandler 0x1",
                            "ReadCapacityHandler 0x1 6 32",
                            "CloseAdapterHandler 0x1"};
  for (const char* call : expected) EXPECT_EQ(HbaTestRoot::calls(b, call), 1) << call;
  EXPECT_EQ(HbaTestRoot::calls(a, "CloseAdapterHandler"), 0);
}

TEST(HbaDispatch, NamesAreBoundedAndAFailingNameHandlerLeavesAnEmptyName) {
  HbaTestRoot root;
  SimAdapter failing = namedAdapter("secret-name");
  failing.fail = "name";
  const std::string a = root.library(
      "lib/a.so", {namedAdapter(std::string(300, 'L')), failing, namedAdapter(std::string(256, 'F'))});
  root.conf(std::string(100, 'N') + " " + a + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(hbaLibrarySlot(0).name, std::string(63, 'N'));
  EXPECT_EQ(adapterNames(), (std::vector<std::string>{std::string(63, 'L'), "", std::string(63, 'F')}));
}

TEST(HbaDispatch, TheAdapterTableHoldsAtMost256) {
  HbaTestRoot root;
  SimAdapter many = namedAdapter("many");
  many.extra = "copies=300\n";
  const std::string a = root.library("lib/a.so", {many});
  const std::string b = root.library("lib/b.so", {namedAdapter("late")});
  root.conf("a " + a + "\nb " + b + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(HBA_GetNumberOfAdapters(), 256u);
  EXPECT_EQ(HbaTestRoot::calls(a, "GetAdapterNameHandler"), 256);
  EXPECT_EQ(HbaTestRoot::calls(b, "GetAdapterNameHandler"), 0);
  char name[256];
  EXPECT_EQ(HBA_GetAdapterName(255, name), HBA_STATUS_OK);
  EXPECT_STREQ(name, "many-255");
  EXPECT_EQ(HBA_GetAdapterName(256, name), HBA_STATUS_ERROR_ILLEGAL_INDEX);
}

TEST(HbaDispatch, AHugeCountIsReadUnsignedAndStopsAtTheTable) {
  HbaTestRoot root;
  const std::string a = root.library("lib/a.so", {namedAdapter("one")}, "count=4294967295\n");
  const std::string b = root.library("lib/b.so", {namedAdapter("two")}, "count=2147483648\n");
  root.conf("a " + a + "\nb " + b + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(HBA_GetNumberOfAdapters(), 256u);
  EXPECT_EQ(HbaTestRoot::calls(a, "GetAdapterNameHandler"), 256);
  EXPECT_EQ(HbaTestRoot::calls(b, "GetAdapterNameHandler"), 0);
}

TEST(HbaDispatch, ConfigurationLinesBeyondTheSlotsAreIgnored) {
  HbaTestRoot root;
  std::string conf;
  std::vector<std::string> paths;
  for (int i = 0; i < 40; ++i) {
    paths.push_back(
        root.library("lib/l" + std::to_string(i) + ".so", {namedAdapter("a" + std::to_string(i))}));
    conf += "lib" + std::to_string(i) + "\t" + paths.back() + "\n";
  }
  root.conf(conf);
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  const std::vector<std::string> names = adapterNames();
  ASSERT_EQ(names.size(), 32u);
  EXPECT_EQ(names.back(), "a31");
  EXPECT_FALSE(testsupport::fileExists(paths[32] + ".calls"));
}

TEST(HbaDispatch, ALongLineIsOneLine) {
  HbaTestRoot root;
  const std::string hidden = root.library("lib/hidden.so", {namedAdapter("hidden")});
  const std::string shown = root.library("lib/shown.so", {namedAdapter("shown")});
  // The tail of a long comment is still comment, however long the line.
  root.conf("#" + std::string(600, '-') + " hidden " + hidden + "\nshown " + shown + "\n");
  ASSERT_EQ(HBA_LoadLibrary(), HBA_STATUS_OK);
  EXPECT_EQ(adapterNames(), std::vector<std::string>{"shown"});
  EXPECT_FALSE(testsupport::fileExists(hidden + ".calls"));
}
