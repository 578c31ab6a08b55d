// Random well-formed patterns and short subjects for the tests that check
// one matcher against another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace rxtest {

// Patterns that reach every node kind and their interplay: atoms, groups of
// every kind, alternation and quantifiers.
class PatternGenerator {
 public:
  explicit PatternGenerator(uint32_t seed) : rng_(seed) {}
  std::string pattern() { return sequence(0); }
  std::mt19937& rng() { return rng_; }

 private:
  size_t pick(size_t n) { return rng_() % n; }
  std::string sequence(int depth);
  std::string item(int depth);
  std::string quantifier();

  std::mt19937 rng_;
};

// Up to eight characters from a small alphabet of letters, a digit, a line
// feed and a blank.
std::string randomSubject(std::mt19937& rng);

}  // namespace rxtest
