// A matcher's copy of its subject. A line of tool output fits the inline
// part, so copying one costs no allocation; a longer subject takes a heap
// block, which the pattern's matcher pool keeps for the next matcher.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>

namespace rx {

template <class Char>
class SubjectBuffer {
 public:
  static constexpr size_t kInline = 256 / sizeof(Char);

  SubjectBuffer() = default;
  SubjectBuffer(const SubjectBuffer&) = delete;
  SubjectBuffer& operator=(const SubjectBuffer&) = delete;

  void assign(const Char* text, size_t size) {
    if (size > capacity()) {
      size_t grown = std::max(size, 2 * capacity());
      heap_.reset(new Char[grown]);
      heapCapacity_ = grown;
    }
    std::copy(text, text + size, data());
    size_ = size;
  }
  const Char* data() const { return heap_ ? heap_.get() : inline_; }
  Char* data() { return heap_ ? heap_.get() : inline_; }
  size_t size() const { return size_; }
  void clear() { size_ = 0; }

  // The heap block, to keep for another buffer; null when there is none.
  std::unique_ptr<Char[]> takeHeap(size_t* capacity) {
    *capacity = heapCapacity_;
    heapCapacity_ = 0;
    size_ = std::min(size_, kInline);
    return std::move(heap_);
  }
  void adoptHeap(std::unique_ptr<Char[]> block, size_t capacity) {
    heap_ = std::move(block);
    heapCapacity_ = heap_ ? capacity : 0;
    size_ = 0;
  }

 private:
  size_t capacity() const { return heap_ ? heapCapacity_ : kInline; }

  std::unique_ptr<Char[]> heap_;
  size_t heapCapacity_ = 0;
  size_t size_ = 0;
  Char inline_[kInline];
};

}  // namespace rx
