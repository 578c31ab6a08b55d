// A list that keeps at most N entries and counts the rest, for what a run
// records about itself: a hostile tool or library cannot grow it without end.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

template <typename T, std::size_t N>
struct BoundedList {
  static constexpr std::size_t kBound = N;

  std::vector<T> kept;      // the first N added, in order
  std::size_t dropped = 0;  // how many were added past them

  void add(T value) {
    if (kept.size() < N) {
      kept.push_back(std::move(value));
    } else {
      ++dropped;
    }
  }
};
