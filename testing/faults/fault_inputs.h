// Hostile inputs for the fault cases, made at test time: nothing tens of
// megabytes large is kept in the repository.
#pragma once

#include <cstddef>
#include <string>

namespace faults {

constexpr std::size_t kMegabyte = std::size_t{1024} * 1024;

// The catalogue grown to at least `bytes` with entries for other adapters in
// front of its own, so that its real entries are the last ones read.
std::string paddedCatalogue(const std::string& catalogue, std::size_t bytes);

// A catalogue whose nested entities would expand to a billion characters.
std::string entityBombCatalogue();

// Copies of text, one after another, up to at least `bytes`.
std::string repeated(const std::string& text, std::size_t bytes);

// `bytes` of tool chatter lines that match no record, then tail.
std::string chatterThen(const std::string& tail, std::size_t bytes);

// Bytes of every value, NUL and line ends included, the same for a seed.
std::string binaryGarbage(std::size_t bytes, unsigned seed);

// Repeated text with every line end turned into a space.
std::string withoutLineEnds(const std::string& text, std::size_t bytes);

}  // namespace faults
