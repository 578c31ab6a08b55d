// Reading a descriptor line by line: long lines dropped whole, the total
// bound, endless devices and FIFOs without a writer.
#include "support/line_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "testing/test_support.h"

namespace {

// The lines a reader gives for the bytes, read back through a file.
std::vector<std::string> linesOf(const std::string& bytes, std::size_t lineBound, std::size_t totalBound) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return {"tmpfile failed"};
  (void)std::fwrite(bytes.data(), 1, bytes.size(), file);
  (void)std::fflush(file);
  (void)lseek(fileno(file), 0, SEEK_SET);
  LineReader reader(fileno(file), lineBound, totalBound);
  std::vector<std::string> lines;
  std::string line;
  while (reader.next(line)) lines.push_back(line);
  (void)std::fclose(file);
  return lines;
}

// What the bounds promise, worked out the plain way: split at "\n", keep
// what fits in the total, drop every line over the line bound.
std::vector<std::string> expectedLines(const std::string& bytes, std::size_t lineBound,
                                       std::size_t totalBound) {
  const bool cut = bytes.size() > totalBound;
  const std::string kept = cut ? bytes.substr(0, totalBound) : bytes;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < kept.size()) {
    const std::size_t end = kept.find('\n', start);
    if (end == std::string::npos) {
      if (!cut && kept.size() - start <= lineBound) lines.push_back(kept.substr(start));
      break;
    }
    if (end - start <= lineBound) lines.push_back(kept.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

TEST(LineReader, LinesWithinTheBoundArriveWhole) {
  const std::string longLine(100000, 'x');
  EXPECT_EQ(linesOf("first\n\n" + longLine + "\nlast without end", 100000, 1 << 20),
            (std::vector<std::string>{"first", "", longLine, "last without end"}));
}

struct BoundCase {
  const char* name;
  std::string bytes;
  std::size_t lineBound;
  std::size_t totalBound;
  std::vector<std::string> lines;
};

TEST(LineReader, LongLinesAreDroppedWholeAndTheTotalStopsReading) {
  const BoundCase cases[] = {
      {"line at the bound", "abcd\nx\n", 4, 100, {"abcd", "x"}},
      {"line over the bound", "abcde\nx\n", 4, 100, {"x"}},
      {"long last line", "x\nabcde", 4, 100, {"x"}},
      {"long line over buffers", std::string(10000, 'y') + "\nz", 4, 100000, {"z"}},
      {"cut by the total", "ab\ncd\nef", 4, 7, {"ab", "cd"}},
      {"total ends on a line end", "ab\ncd\n", 4, 6, {"ab", "cd"}},
      {"nothing", "", 4, 100, {}},
  };
  for (const BoundCase& c : cases) {
    EXPECT_EQ(linesOf(c.bytes, c.lineBound, c.totalBound), c.lines) << c.name;
  }
}

// Random inputs of short and long lines, read with random bounds, give what
// the plain splitting gives: no line over its bound, none cut and kept.
TEST(LineReader, AnyInputGivesTheLinesTheBoundsPromise) {
  std::mt19937 random(16);
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    const int pieces = static_cast<int>(random() % 40);
    for (int i = 0; i < pieces; ++i) {
      const std::size_t length = random() % 3 == 0 ? random() % 9000 : random() % 20;
      bytes += std::string(length, static_cast<char>('a' + random() % 26));
      if (random() % 5 != 0) bytes += '\n';
    }
    const std::size_t lineBound = 1 + random() % 5000;
    const std::size_t totalBound = 1 + random() % (bytes.size() + 100);
    EXPECT_EQ(linesOf(bytes, lineBound, totalBound), expectedLines(bytes, lineBound, totalBound))
        << "round " << round;
  }
}

// A device without end stops at the total bound.
TEST(LineReader, EndlessDeviceStopsAtTheTotalBound) {
  const int fd = openForReading("/dev/zero");
  ASSERT_GE(fd, 0);
  LineReader reader(fd, 64, 1 << 20);
  std::string line;
  EXPECT_FALSE(reader.next(line));
  EXPECT_TRUE(reader.stoppedAtBound());
  close(fd);
}

TEST(LineReader, FifoWithoutWriterReadsAsEmpty) {
  testsupport::TempDir dir;
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  const int fd = openForReading(dir / "fifo");
  ASSERT_GE(fd, 0);
  LineReader reader(fd, 64, 1 << 20);
  std::string line;
  EXPECT_FALSE(reader.next(line));
  close(fd);
}
