// What the sound, font, shell and display routines work out from their
// arguments alone: the parts of a file name, the program a command line
// names, and the display tests. Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zyl {

constexpr std::size_t kPathPartChars = 129;   // 128 characters and the terminator

// A file name in four parts, each cut to its buffer:
//  drive      "C:" when the name starts with a letter and ':', else ""
//  directory  the rest up to and with its last '\' or '/', else ""
//  name       what follows, up to the last '.' of it
//  extension  from that '.' on (with it), else ""
struct PathParts {
    char drive[3];
    char directory[kPathPartChars];
    char name[kPathPartChars];
    char extension[kPathPartChars];
};
void SplitPath(const char* path, PathParts* out);

// Name and extension of `path` (lower-cased when asked) into `out`. False,
// with `out` empty, when there is no name or it does not fit.
bool BareFileName(const char* path, bool lowerCase, char* out, std::size_t capacity);

// `folder`, a '\' unless the folder is empty or ends in '\', '/' or ':',
// then `name`. False, with `out` empty, when the whole does not fit.
bool JoinPath(const char* folder, const char* name, char* out, std::size_t capacity);

// The program a command line starts with: its first word, or, when the line
// starts with a double quote, what stands between the quotes. Blanks before
// it are skipped. False, with `out` empty, for a line of blanks or a program
// name that does not fit.
bool CommandLineProgram(const char* commandLine, char* out, std::size_t capacity);

// What the display tests look at.
struct DisplayFacts {
    int screenWidth;     // pixels
    int colourBits;      // bits per pixel times planes: 2^colourBits colours
    int platformClass;   // 0 other, 1 Windows 95 family, 2 version 3, 3 NT 4
};

// 1 when display test `test` (1 to 12) holds for `facts`, else 0 (and for
// every other test number).
int DisplayTestHolds(unsigned test, const DisplayFacts& facts);

// The display test a video test number (0 to 5) stands for; 0 for others.
unsigned VideoInfoDisplayTest(unsigned videoTest);

}  // namespace zyl
