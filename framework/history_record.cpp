// Serialising a run history record within its line bound.
#include "framework/history_record.h"

#include <vector>

namespace {

// A round measures the whole record. A run's record has a few dozen lists,
// and the outer ones hold the inner ones, so a cut takes a few rounds; a
// record that needs more is not written.
constexpr int kMaxCutRounds = 64;

std::size_t writtenSize(const HistoryRecord& value) { return jsonText(value).size(); }

// What a cut can shorten: every list with items, and every text longer than
// kHistoryLongTextBytes, at any depth.
void collectParts(HistoryRecord& value, std::vector<HistoryRecord*>& parts) {
  if (value.is_string() && value.get_ref<const std::string&>().size() > kHistoryLongTextBytes) {
    parts.push_back(&value);
  }
  if (value.is_array() && !value.empty()) parts.push_back(&value);
  if (!value.is_structured()) return;
  for (auto& item : value) collectParts(item, parts);
}

HistoryRecord* largestPart(HistoryRecord& record) {
  std::vector<HistoryRecord*> parts;
  collectParts(record, parts);
  HistoryRecord* largest = nullptr;
  std::size_t largestSize = 0;
  for (HistoryRecord* part : parts) {
    const std::size_t size = writtenSize(*part);
    if (size > largestSize) {
      largest = part;
      largestSize = size;
    }
  }
  return largest;
}

// Before the first byte of the character that the byte at `at` belongs to;
// bytes that are not UTF-8 are cut where they are.
std::size_t characterStart(const std::string& text, std::size_t at) {
  std::size_t start = at;
  while (start > 0 && at - start < 3 && (static_cast<unsigned char>(text[start]) & 0xc0) == 0x80) --start;
  return (static_cast<unsigned char>(text[start]) & 0xc0) == 0x80 ? at : start;
}

// Items go from the end of a list until what they took covers the excess;
// the record is then measured again, since an item's estimate can be off by
// its separator.
void cutLongTexts(HistoryRecord& value) {
  if (value.is_string()) {
    auto& text = value.get_ref<std::string&>();
    if (text.size() > kHistoryLongTextBytes) text.resize(characterStart(text, kHistoryLongTextBytes));
  }
  if (!value.is_structured()) return;
  for (auto& item : value) cutLongTexts(item);
}

// When a text is the largest part, every long text is cut at once: what is
// that long is seldom what the record is read for.
void shorten(HistoryRecord& record, HistoryRecord& part, std::size_t excess) {
  if (part.is_string()) {
    cutLongTexts(record);
    return;
  }
  std::size_t removed = 0;
  while (!part.empty() && removed < excess) {
    removed += writtenSize(part.back()) + 1;
    part.erase(part.size() - 1);
  }
}

}  // namespace

std::string jsonText(const HistoryRecord& value) {
  return value.dump(-1, ' ', false, HistoryRecord::error_handler_t::replace);
}

std::string historyLine(const HistoryRecord& record, std::size_t maxBytes, bool& wasCut) {
  wasCut = false;
  if (!record.is_object()) return std::string();
  std::string line = jsonText(record);
  if (line.size() <= maxBytes) return line;
  wasCut = true;
  HistoryRecord cut = record;
  cut["truncated"] = true;
  for (int round = 0; round < kMaxCutRounds; ++round) {
    line = jsonText(cut);
    if (line.size() <= maxBytes) return line;
    HistoryRecord* part = largestPart(cut);
    if (part == nullptr) break;
    shorten(cut, *part, line.size() - maxBytes);
  }
  return std::string();
}
