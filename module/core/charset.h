// Small character sets: arrays of ints, 0..255 are members, 256 ends the
// set and 257 between a and b stands for every value from a to b. Sets are
// expanded into work arrays local to each call, so any thread may test
// membership at any time. Portable.
#pragma once

namespace zyl {

constexpr int kSetEnd = 256;
constexpr int kSetRange = 257;
constexpr int kSetCapacity = 256;   // entries after expansion, terminator included

// Rewrites `set` without range markers. `set` must have room for
// kSetCapacity entries; an expansion that would not fit stops there.
void ExpandSet(int* set);
// Expands a copy of `set` and reports whether `value` is a member.
bool IsInSet(int value, const int* set);
// `list` ends with 256 and may hold range markers. The character counts as a
// signed byte, so 0x80..0xFF are never members.
bool IsCharInList(char character, const int* list);

// The separators between macros: 0x0B, 0x08, ';', ':' and blank.
extern const int kMacroSeparators[];

}  // namespace zyl
