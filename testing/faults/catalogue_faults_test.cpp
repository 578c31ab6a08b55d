// reference.xml broken, hostile or huge: the run either loads it within its
// bounds or ends at once with "FAILED!" and exit code 7.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_inputs.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

struct BadCatalogue {
  const char* name;
  std::string (*text)(const std::string& good);
};

const BadCatalogue kBadCatalogues[] = {
    {"Empty", [](const std::string&) { return std::string(); }},
    {"Truncated", [](const std::string& good) { return good.substr(0, good.size() / 2); }},
    {"EntityBomb", [](const std::string&) { return entityBombCatalogue(); }},
    {"UndeclaredLatin1",
     [](const std::string& good) {
       std::string text = good;
       return text.replace(text.find("QLE2562"), 7, "QLE\xe9\xff\xfe");
     }},
    {"BinaryGarbage", [](const std::string&) { return binaryGarbage(std::size_t{64} * 1024, 7); }},
    {"BinaryAfterTheDeclaration",
     [](const std::string&) { return "<?xml version=\"1.0\"?>\n" + binaryGarbage(4096, 11); }},
};

void PrintTo(const BadCatalogue& catalogue, std::ostream* out) { *out << catalogue.name; }

class UnloadableCatalogue : public ::testing::TestWithParam<BadCatalogue> {};

INSTANTIATE_TEST_SUITE_P(Faults, UnloadableCatalogue, ::testing::ValuesIn(kBadCatalogues),
                         [](const auto& info) { return std::string(info.param.name); });

// Nothing past the catalogue is attempted: no discovery, no tool, no report.
TEST_P(UnloadableCatalogue, EndsWithFailedAndSevenBeforeDiscovery) {
  FaultServer server(Component::QLogic);
  server.build();
  const std::string good = testsupport::readFile(server.work("reference.xml"));
  testsupport::writeFile(server.work("reference.xml"), GetParam().text(good));
  for (const char* args : {"/d report.xml", "/f"}) {
    SCOPED_TRACE(args);
    const Outcome run = server.run(args[1] == 'd' ? std::vector<std::string>{"/d", "report.xml"}
                                                  : std::vector<std::string>{"/f"});
    EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_EQ(run.out, "---------------------------------------------------\nLoading references...FAILED!\n");
    EXPECT_FALSE(testsupport::fileExists(server.work("report.xml")));
  }
  EXPECT_EQ(server.toolCalls(), "");
  EXPECT_EQ(server.log(),
            std::string(kEarlierLog) +
                "---------------------------------------------------\nLoading references...FAILED!\n"
                "---------------------------------------------------\nLoading references...FAILED!\n");
}

// A directory where the file should be passes the existence test, then fails to parse.
TEST(CatalogueFaults, DirectoryNamedLikeTheCatalogueEndsWithSeven) {
  FaultServer server(Component::QLogic);
  server.build();
  ASSERT_EQ(testsupport::runIn(server.box().work(), "rm reference.xml && mkdir reference.xml").exitCode, 0);
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_TRUE(keptEarlierLog(server.log()));
}

// Bytes that are not UTF-8 are fine once the document says what they are.
TEST(CatalogueFaults, DeclaredLatin1CatalogueLoadsAndReports) {
  FaultServer server(Component::QLogic);
  server.build();
  std::string text = testsupport::readFile(server.work("reference.xml"));
  text.replace(0, text.find('\n'), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
  text.replace(text.find("QLE2562"), 7, "QLE2562 \xe9\xff");
  testsupport::writeFile(server.work("reference.xml"), text);
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_EQ(devices, std::vector<std::string>{"1077.2532.1077.015d 3.00"});
}

// 15 MB of entries with the adapter's own last: loaded, matched and flashed
// within the bounds of a huge catalogue.
TEST(CatalogueFaults, FifteenMegabyteCatalogueIsLoadedWithinItsBounds) {
  if (underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  FaultServer server(Component::QLogic);
  server.build();
  const std::string good = testsupport::readFile(server.work("reference.xml"));
  testsupport::writeFile(server.work("reference.xml"), paddedCatalogue(good, 15 * kMegabyte));
  const Limits limits = hugeCatalogueLimits();
  const Outcome report = server.run({"/d", "report.xml"}, limits);
  EXPECT_TRUE(withinBounds(report, limits));
  EXPECT_EQ(report.exitCode, 3);
  std::vector<std::string> devices;
  EXPECT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_EQ(devices, std::vector<std::string>{"1077.2532.1077.015d 3.00"});
  const Outcome flash = server.run({}, limits);
  EXPECT_TRUE(withinBounds(flash, limits));
  EXPECT_EQ(flash.exitCode, 1);
  EXPECT_EQ(server.toolCalls(), "\n");
  EXPECT_TRUE(keptEarlierLog(server.log()));
  RecordProperty("peak_kb", std::to_string(report.peakKb));
  std::printf("15 MB catalogue: %s\n", describe(report).c_str());
}

// Past 16 MB, or a device without end in its place, the catalogue is not
// read on: "FAILED!" and 7, within the bounds of an ordinary run. A FIFO
// nobody writes reads as empty instead of hanging the run.
TEST(CatalogueFaults, CatalogueBeyondItsBoundIsRefused) {
  if (underValgrind()) GTEST_SKIP() << "a bound case; valgrind cannot judge bounds";
  FaultServer server(Component::QLogic);
  server.build();
  const std::string path = server.work("reference.xml");
  const std::string good = testsupport::readFile(path);
  const std::function<void()> setUps[] = {
      [&] { testsupport::writeFile(path, paddedCatalogue(good, 17 * kMegabyte)); },
      [&] { ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0); },
      [&] { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); },
  };
  for (const auto& setUp : setUps) {
    (void)unlink(path.c_str());
    setUp();
    const Outcome run = server.run({"/d", "report.xml"});
    EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_EQ(run.out, "---------------------------------------------------\nLoading references...FAILED!\n");
  }
}

}  // namespace
}  // namespace faults
