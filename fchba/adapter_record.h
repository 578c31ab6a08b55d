// The fixed record of texts that discovery hands the framework for each
// installed adapter, and the list that owns those records.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

struct FcAdapterRecord {
  char nodeWwn[256] = {};
  char portWwn[256] = {};
  char pciId[256] = {};
  char subsystemId[256] = {};
  char driverVersion[512] = {};
  char firmwareVersion[256] = {};
  char optionRomVersion[256] = {};
  // Part of the record's fixed layout; the run neither writes nor reads it.
  char spare[256] = {};
  char model[256] = {};
};

// Copies at most size-1 bytes of text into a fixed field and terminates it;
// the rest of the field is zeroed so records compare and print cleanly.
void copyField(char* field, std::size_t size, const char* text);

template <std::size_t N>
void copyField(char (&field)[N], const char* text) {
  copyField(field, N, text);
}

// Records are appended in adapter-index order and live as long as the list.
class FcAdapterRecordList {
 public:
  void append(std::unique_ptr<FcAdapterRecord> record) { records_.push_back(std::move(record)); }
  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  const FcAdapterRecord& operator[](std::size_t i) const { return *records_[i]; }
  FcAdapterRecord& operator[](std::size_t i) { return *records_[i]; }

 private:
  std::vector<std::unique_ptr<FcAdapterRecord>> records_;
};
