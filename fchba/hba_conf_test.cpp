// The configuration file's lines: name and path, and the lines that name no library.
#include "fchba/hba_conf.h"

#include <gtest/gtest.h>

TEST(HbaConf, LinesGiveNameAndPath) {
  struct Case {
    std::string line;
    std::string name;
    std::string path;
  } cases[] = {
      {"qlogic\t  /usr/lib64/libqlsdm.so\n", "qlogic", "/usr/lib64/libqlsdm.so"},
      {"emulex /usr/lib/libemsdm.so", "emulex", "/usr/lib/libemsdm.so"},
      {"crlf\t/lib/a.so\r\n", "crlf", "/lib/a.so"},
      {"space /opt/my lib/a.so\n", "space", "/opt/my"},
      {"plus /opt/a+b.so\n", "plus", "/opt/a"},
      {"tilde /opt/a~.so\n", "tilde", "/opt/a"},
      {"hash /opt/a.so # not a comment\n", "hash", "/opt/a.so"},
      {"com.vendor-x_1\t/A-Z_a.z/0-9.so", "com.vendor-x_1", "/A-Z_a.z/0-9.so"},
      // The tab wins over an earlier space as the separator.
      {"two words\t/lib/a.so", "two words", "/lib/a.so"},
  };
  for (const Case& c : cases) {
    HbaConfEntry entry;
    ASSERT_TRUE(parseHbaConfLine(c.line, entry)) << c.line;
    EXPECT_EQ(entry.name, c.name) << c.line;
    EXPECT_EQ(entry.path, c.path) << c.line;
  }
}

TEST(HbaConf, LinesThatNameNoLibraryAreSkipped) {
  const std::string longPath = "lib /" + std::string(kHbaConfMaxPath, 'a');
  const std::string skipped[] = {
      "",
      "\n",
      "# qlogic /usr/lib/libqlsdm.so\n",
      "nameonly\n",
      "name\t \t\n",
      "\t/usr/lib/a.so\n",
      " /usr/lib/a.so\n",
      "name +/usr/lib/a.so\n",  // nothing of the path survives the filter
      longPath,                 // would name a different file once cut
  };
  for (const std::string& line : skipped) {
    HbaConfEntry entry;
    EXPECT_FALSE(parseHbaConfLine(line, entry)) << "[" << line << "]";
  }
  HbaConfEntry entry;
  EXPECT_TRUE(parseHbaConfLine(longPath.substr(0, longPath.size() - 1), entry));
}
