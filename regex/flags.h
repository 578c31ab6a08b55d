// The pattern flag bits, defined once: the public constants of the pattern
// classes and the compiler's tests both name these.
#pragma once

namespace rx {

constexpr int kCaseInsensitive = 1;
constexpr int kLiteral = 2;
constexpr int kDotAll = 4;
constexpr int kMultiLine = 8;
constexpr int kUnixLines = 16;

}  // namespace rx
