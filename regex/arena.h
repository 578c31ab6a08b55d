// Bump allocation for the nodes and texts of one compiled pattern: a first
// block the owner provides (the pattern's own trailing storage), then heap
// blocks when that runs out. Everything is freed with the arena at once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>

namespace rx {

class Arena {
 public:
  Arena(void* first, size_t bytes)
      : cur_(static_cast<unsigned char*>(first)), end_(cur_ + (first ? bytes : 0)) {}
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() {
    while (blocks_) {
      Block* prev = blocks_->prev;
      ::operator delete(blocks_);
      blocks_ = prev;
    }
  }

  void* allocate(size_t size, size_t align) {
    unsigned char* at = aligned(cur_, align);
    if (!cur_ || at + size > end_) {
      grow(size + align);
      at = aligned(cur_, align);
    }
    cur_ = at + size;
    return at;
  }
  // Heap blocks taken so far: none while the first block suffices.
  int heapBlocks() const {
    int n = 0;
    for (const Block* b = blocks_; b; b = b->prev) ++n;
    return n;
  }

 private:
  struct Block {
    Block* prev;
  };
  static constexpr size_t kBlockBytes = 2048;

  static unsigned char* aligned(unsigned char* p, size_t align) {
    auto v = reinterpret_cast<uintptr_t>(p);
    return p + ((align - v % align) % align);
  }
  void grow(size_t atLeast) {
    size_t bytes = std::max(kBlockBytes, atLeast + sizeof(Block));
    auto* block = static_cast<Block*>(::operator new(bytes));
    block->prev = blocks_;
    blocks_ = block;
    cur_ = reinterpret_cast<unsigned char*>(block + 1);
    end_ = reinterpret_cast<unsigned char*>(block) + bytes;
  }

  unsigned char* cur_;
  unsigned char* end_;
  Block* blocks_ = nullptr;
};

}  // namespace rx
