// The history record as a line: text rules and the cut of a record too long.
#include "framework/history_record.h"

#include <gtest/gtest.h>

namespace {

HistoryRecord parsed(const std::string& line) { return HistoryRecord::parse(line); }

HistoryRecord numbered(const std::string& prefix, int count) {
  HistoryRecord list = HistoryRecord::array();
  for (int i = 0; i < count; ++i) list.push_back(prefix + std::to_string(i));
  return list;
}

// Whether cut holds the first items of whole, in order.
bool isPrefix(const HistoryRecord& cut, const HistoryRecord& whole) {
  if (cut.size() > whole.size()) return false;
  for (std::size_t i = 0; i < cut.size(); ++i) {
    if (cut[i] != whole[i]) return false;
  }
  return true;
}

}  // namespace

TEST(HistoryLine, KeysInTheOrderSetAndNothingAdded) {
  HistoryRecord record;
  record["schema"] = 1;
  record["phase"] = "ended";
  record["adapters"] = HistoryRecord::array({HistoryRecord{{"index", 0}, {"key", nullptr}}});
  record["reason"] = "line 3:\ttab \"quoted\"";
  EXPECT_EQ(
      historyLine(record),
      R"({"schema":1,"phase":"ended","adapters":[{"index":0,"key":null}],"reason":"line 3:\ttab \"quoted\""})");
}

// Bytes that are not UTF-8, in values and in keys, become U+FFFD; valid
// characters stay as they are.
TEST(HistoryLine, TextThatIsNotUtf8IsStoredWithReplacementCharacters) {
  const std::string replacement = "\xef\xbf\xbd";
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},
      {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},
      {"a\xff"
       "b",
       "a" + replacement + "b"},
      {"\xc3", replacement},
      {"\xed\xa0\x80", replacement + replacement + replacement},
      {"x\xe2\x82", "x" + replacement},
  };
  for (const auto& [text, stored] : cases) {
    HistoryRecord record;
    record["output_tail"] = text;
    record[text] = 1;
    const std::string line = historyLine(record);
    ASSERT_FALSE(line.empty()) << text;
    const HistoryRecord back = parsed(line);
    EXPECT_EQ(back["output_tail"], stored) << text;
    EXPECT_TRUE(back.contains(stored)) << text;
  }
}

TEST(HistoryLine, OnlyObjectsAreRecords) {
  for (const HistoryRecord& value :
       {HistoryRecord(), HistoryRecord(3), HistoryRecord("x"), HistoryRecord::array({1, 2})}) {
    EXPECT_EQ(historyLine(value), "") << value.dump();
  }
}

// The longest list loses items from its end, no more than needed; the others
// stay whole.
TEST(HistoryLine, TheLongestListIsCutFromItsEnd) {
  HistoryRecord record;
  record["run_id"] = "r1";
  record["warnings"] = numbered("warning ", 200);
  record["arguments"] = numbered("a", 20);
  bool cut = false;
  const std::string line = historyLine(record, 1000, cut);
  EXPECT_TRUE(cut);
  ASSERT_LE(line.size(), 1000u);
  const HistoryRecord back = parsed(line);
  EXPECT_EQ(back["truncated"], true);
  EXPECT_EQ(back["run_id"], "r1");
  EXPECT_EQ(back["arguments"], record["arguments"]);
  EXPECT_TRUE(isPrefix(back["warnings"], record["warnings"]));
  // One more warning would not have fitted.
  HistoryRecord more = back;
  more["warnings"].push_back(record["warnings"][back["warnings"].size()]);
  EXPECT_GT(more.dump().size(), 1000u);
}

// A list inside a list (items of a device) is cut with the outer list when
// that is the largest; lists then go largest first until the record fits.
TEST(HistoryLine, ListsGoLargestFirstAtAnyDepth) {
  HistoryRecord record;
  record["devices"] = HistoryRecord::array();
  for (int i = 0; i < 30; ++i)
    record["devices"].push_back({{"device_id", i}, {"items", numbered("item", 5)}});
  record["commands"] = numbered("command ", 40);
  record["libraries"] = numbered("l", 3);
  const std::size_t whole = record.dump().size();
  bool cut = false;
  const HistoryRecord back = parsed(historyLine(record, whole - 200, cut));
  EXPECT_TRUE(cut);
  EXPECT_LT(back["devices"].size(), 30u);
  EXPECT_TRUE(isPrefix(back["devices"], record["devices"]));
  EXPECT_EQ(back["commands"], record["commands"]);
  EXPECT_EQ(back["libraries"], record["libraries"]);
  const HistoryRecord smaller = parsed(historyLine(record, 300, cut));
  EXPECT_LE(smaller.dump().size(), 300u);
  EXPECT_EQ(smaller["libraries"], record["libraries"]);
}

// A text larger than any list is cut to its bound at a character boundary;
// what cannot be brought within the bound is not a line at all.
TEST(HistoryLine, LongTextsAreCutAndWhatCannotFitIsNoLine) {
  HistoryRecord record;
  record["reason"] = std::string(kHistoryLongTextBytes - 1, 'r') + "\xe2\x82\xac" + std::string(9000, 's');
  record["warnings"] = numbered("w", 3);
  bool cut = false;
  const HistoryRecord back = parsed(historyLine(record, 6000, cut));
  EXPECT_TRUE(cut);
  EXPECT_EQ(back["reason"], std::string(kHistoryLongTextBytes - 1, 'r'));
  EXPECT_EQ(back["warnings"], record["warnings"]);
  HistoryRecord keys;
  keys[std::string(8000, 'k')] = 1;
  EXPECT_EQ(historyLine(keys, 6000, cut), "");
}

TEST(HistoryLine, ARecordOverOneMebibyteIsCutToIt) {
  HistoryRecord record;
  record["schema"] = 1;
  record["arguments"] = numbered(std::string(1000, 'x'), 3000);
  bool cut = false;
  const std::string line = historyLine(record, kHistoryRecordBytes, cut);
  EXPECT_TRUE(cut);
  EXPECT_LE(line.size(), kHistoryRecordBytes);
  EXPECT_GT(line.size(), kHistoryRecordBytes - 2100);
  EXPECT_EQ(parsed(line)["truncated"], true);
}
