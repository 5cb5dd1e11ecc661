// The help file format's 32-bit hash of a context string: what a help
// file's context index is keyed by, what the host's jump-by-hash commands
// take, and what bullet files store for each item. Portable; the author
// tools compute it with the same code.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zyl {

// h = h * 43 + v for each character (taken as a signed 8-bit value), in
// 32-bit unsigned arithmetic; v is 11 for '!', 12 for '.', 10 for '0', 13
// for '_', c - 80 above 'Z' and c - 48 otherwise, so that letters of either
// case give the same 17 ... 42. A result of 0 becomes 1, which leaves 0 free
// for "no topic".
std::uint32_t ContextHash(const char* text, std::size_t length);
// The same for a NUL-terminated string; null hashes as "".
std::uint32_t ContextHash(const char* text);

}  // namespace zyl
