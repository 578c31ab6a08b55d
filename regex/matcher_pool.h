// The storage a pattern keeps from its deleted matchers for its next ones:
// the matcher's own block and its subject buffer. A new matcher per line, as
// the components use the engine, then allocates nothing once the first one
// has been made and deleted. Every matcher block carries a small header
// naming the pool it goes back to; a pattern that goes first orphans its
// live matchers, which are then freed as usual. One thread at a time makes
// and deletes the matchers of one pattern.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

#include "regex/subject_buffer.h"

template <class Char>
class BasicPatternMatcher;

namespace rx {

template <class Char>
class MatcherPool {
 public:
  using Matcher = BasicPatternMatcher<Char>;

  MatcherPool() = default;
  MatcherPool(const MatcherPool&) = delete;
  MatcherPool& operator=(const MatcherPool&) = delete;
  ~MatcherPool() {
    for (Matcher* m = live_; m; m = m->poolNext_) {
      m->pool_ = nullptr;
      headerOf(m)->pool = nullptr;
    }
    ::operator delete(spare_);
  }

  // Storage for a matcher of `bytes` (after its header), whose block comes
  // back here when it is deleted; `pool` null for one that is freed then.
  static void* allocate(size_t bytes, MatcherPool* pool) {
    void* block = nullptr;
    if (pool && pool->spare_) {
      block = pool->spare_;
      pool->spare_ = nullptr;
    } else {
      block = ::operator new(sizeof(Header) + bytes);
    }
    auto* header = static_cast<Header*>(block);
    header->pool = pool;
    return header + 1;
  }
  // The block of a destroyed matcher: kept as the spare of its pool, if
  // that still exists and has none, else freed.
  static void release(void* object) {
    if (!object) return;
    Header* header = static_cast<Header*>(object) - 1;
    MatcherPool* pool = header->pool;
    if (pool && !pool->spare_) {
      pool->spare_ = header;
    } else {
      ::operator delete(header);
    }
  }

  // A pooled matcher enters when it is made, taking the kept heap block for
  // its subject, and leaves when it is destroyed, handing its block back.
  void enter(Matcher* m, SubjectBuffer<Char>* subject) {
    m->poolNext_ = live_;
    m->poolPrev_ = nullptr;
    if (live_) live_->poolPrev_ = m;
    live_ = m;
    if (spareText_) subject->adoptHeap(std::move(spareText_), spareCapacity_);
  }
  void leave(Matcher* m, SubjectBuffer<Char>* subject) {
    (m->poolPrev_ ? m->poolPrev_->poolNext_ : live_) = m->poolNext_;
    if (m->poolNext_) m->poolNext_->poolPrev_ = m->poolPrev_;
    if (!spareText_) spareText_ = subject->takeHeap(&spareCapacity_);
  }

 private:
  // Before every matcher block; 16 bytes, so that the matcher keeps the
  // alignment operator new gives.
  struct alignas(16) Header {
    MatcherPool* pool;
  };
  static Header* headerOf(Matcher* m) { return reinterpret_cast<Header*>(m) - 1; }

  void* spare_ = nullptr;
  std::unique_ptr<Char[]> spareText_;
  size_t spareCapacity_ = 0;
  Matcher* live_ = nullptr;
};

}  // namespace rx
