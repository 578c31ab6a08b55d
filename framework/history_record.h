// A run history record as the one line of JSON it is stored as: every text
// made valid UTF-8, and a record too large for a line cut down to fit.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

// Records keep their keys in the order they were set, so that a person
// reading the file finds the run's identity first.
using HistoryRecord = nlohmann::ordered_json;

constexpr std::size_t kHistoryRecordBytes = 1 << 20;
// What a text is cut to when cutting lists is not enough.
constexpr std::size_t kHistoryLongTextBytes = 4096;

// The record as one line without its line end, at most maxBytes long. Bytes
// that are not UTF-8 are stored as U+FFFD. A longer record is cut, largest
// part first, until it fits: of every list (at any depth) and every text
// longer than kHistoryLongTextBytes, the one that takes the most room as
// written loses items from its end until the excess is covered (a list), or
// every long text is cut to kHistoryLongTextBytes (a text). A record cut is marked
// "truncated": true. Empty when the record is not an object or cannot be
// made to fit. May throw std::bad_alloc.
std::string historyLine(const HistoryRecord& record, std::size_t maxBytes, bool& cut);
inline std::string historyLine(const HistoryRecord& record) {
  bool cut = false;
  return historyLine(record, kHistoryRecordBytes, cut);
}

// The same text rules for anything else written from a record.
std::string jsonText(const HistoryRecord& value);
