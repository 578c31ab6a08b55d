// Counts the heap allocations a stretch of the benchmark makes, through
// this binary's own operator new.
#pragma once

namespace bench {

class AllocationCount {
 public:
  AllocationCount();
  ~AllocationCount();
  AllocationCount(const AllocationCount&) = delete;
  AllocationCount& operator=(const AllocationCount&) = delete;
  // Allocations since construction.
  long count() const;

 private:
  long start_;
};

}  // namespace bench
