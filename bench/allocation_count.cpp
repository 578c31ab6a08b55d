// The replaced operator new of regex_bench: it counts while an
// AllocationCount is alive and otherwise only passes through, so that the
// timed runs pay one test.
#include "bench/allocation_count.h"

#include <cstdlib>
#include <new>

namespace {

long allocations = 0;
int counting = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (counting) ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace bench {

AllocationCount::AllocationCount() : start_(allocations) { ++counting; }
AllocationCount::~AllocationCount() { --counting; }
long AllocationCount::count() const { return allocations - start_; }

}  // namespace bench
