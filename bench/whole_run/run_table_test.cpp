// The table's arithmetic: medians measure by measure and the target verdicts.
#include "bench/whole_run/run_table.h"

#include <gtest/gtest.h>

namespace {

wholerun::ProcessUsage usage(double wall, double tree, double own, long rssKb) {
  wholerun::ProcessUsage u;
  u.exitCode = 3;
  u.wallMs = wall;
  u.treeCpuMs = tree;
  u.ownCpuMs = own;
  u.ownPeakRssKb = rssKb;
  return u;
}

TEST(RunTable, MedianIsTakenPerMeasure) {
  const wholerun::ProcessUsage m =
      wholerun::medianUsage({usage(30, 1, 9, 100), usage(10, 3, 7, 300), usage(20, 2, 8, 200)});
  EXPECT_EQ(m.wallMs, 20);
  EXPECT_EQ(m.treeCpuMs, 2);
  EXPECT_EQ(m.ownCpuMs, 8);
  EXPECT_EQ(m.ownPeakRssKb, 200);
  EXPECT_EQ(wholerun::medianUsage({usage(10, 0, 0, 100), usage(20, 0, 0, 300)}).wallMs, 15);
}

TEST(RunTable, TargetsAreJudgedAtTheLargestCount) {
  const std::string table = wholerun::formatTable({{32, "report", usage(500, 400, 10, 6 * 1024)},
                                                   {128, "report", usage(2000, 1000, 40, 8 * 1024)},
                                                   {128, "flash", usage(2000, 1000, 150, 17 * 1024)}},
                                                  3);
  EXPECT_NE(table.find("|      128 | report |    2000.0 |       40.0 |           960.0 |      4.0% |"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("Targets at 128 adapters:"), std::string::npos);
  EXPECT_NE(table.find("report own CPU 4.0% of the run's total (at most 10%): met; own peak RSS 8.0 MB "
                       "(under 16 MB): met; own CPU x4.00 from 32 adapters"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("flash  own CPU 15.0% of the run's total (at most 10%): MISSED; own peak RSS 17.0 MB "
                       "(under 16 MB): MISSED\n"),
            std::string::npos)
      << table;
}

}  // namespace
