// Byte-string helpers with the module's exact edge behaviour. Portable.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zyl {

// ASCII case-insensitive comparison; 0 when equal. Null counts as "".
int CompareNoCase(const char* a, const char* b);
int CompareNoCaseN(const char* a, const char* b, std::size_t n);
inline bool EqualNoCase(const char* a, const char* b) { return CompareNoCase(a, b) == 0; }

// Copies at most `capacity - 1` bytes of `src` and always terminates
// (nothing is written when capacity is 0). Returns dst.
char* CopyBounded(char* dst, std::size_t capacity, const char* src);

// Copies the first `n` bytes of src (fewer if src is shorter) and writes a
// NUL after them: dst must hold n + 1 bytes.
char* CopyAtMost(char* dst, const char* src, std::size_t n);

// A number as the 32-bit C library's strtoul(text, end, base) reads it, for
// base 10 or 16: leading white space, an optional sign, for base 16 an
// optional "0x", digits; a value past 0xFFFFFFFF reads as 0xFFFFFFFF and a
// '-' negates (modulo 2^32). No digits read as 0 with *end = text. `end`
// may be null.
std::uint32_t ReadULong(const char* text, const char** end, int base = 10);
// The field at *cursor up to the next ';' of a parameter string: false,
// with nothing changed, when there is no ';'; else `field` holds it and
// *cursor moves past the ';'.
bool TakeField(const char** cursor, std::string* field);
// A caption of the form "name|Caption" carries the help window's name: the
// index of a '|' among its first 9 characters, or -1.
int CaptionNameLength(const char* caption);

}  // namespace zyl
