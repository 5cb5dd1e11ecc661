// Parameter string of the form control window (ZYL3_ANIMCONTROL32),
//   type;[group:]name;width;rows;value;items;macro
// and the rules of form fields that need no window: the section and keys
// under which zylforms.ini keeps their values, the lines of a multi-line
// value, and how a text field's text breaks into lines when printed.
//
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace zyl {

enum FormControlType : std::int32_t {
    kFormReset = 3,       // push button: resets its group, then runs the macro
    kFormCheckBox = 4,
    kFormDropDown = 5,    // drop-down list (a combobox inside a wrapper window)
    kFormText = 6,        // single-line edit field
    kFormListBox = 7,
    kFormRadio = 8,
    kFormSave = 9,        // default push button: saves its group, then runs the macro
    kFormMultiLine = 10,  // multi-line edit field
};

// The second field as a whole holds at most 32 characters; printing adds
// "_" to the group and to the name, hence the slots' size.
constexpr std::size_t kFormFieldLimit = 32;
constexpr std::size_t kFormNameChars = kFormFieldLimit + 2;
// Captions, texts and list items, and every text value read or written.
constexpr std::size_t kFormTextBytes = 16384;
// The value field: the initial state or index, and the store-as-text flag.
constexpr std::uint32_t kFormValueMask = 0x7FFF;
constexpr std::uint32_t kFormStoreAsText = 0x8000;
constexpr std::int32_t kFormNumberLimit = 0xFFFF;   // each number field

struct FormParams {
    std::int32_t type = 0;
    char group[kFormNameChars] = "";   // empty when none was given
    char name[kFormNameChars] = "";
    std::int32_t width = 0;            // pixels (buttons) or characters (lists, fields)
    std::int32_t rowsField = 0;        // as written
    std::int32_t rows = 1;             // visible and printed lines, 1 when written as 0
    std::uint32_t value = 0;           // kFormValueMask bits and kFormStoreAsText
    // The items buffer's text: strings separated by '\0' (list items,
    // the caption first), or for a multi-line field one text with CR LF
    // for every '|'. At most kFormTextBytes - 2 bytes, so that the buffer
    // always ends in two terminators.
    bool hasItems = false;
    std::string items;
    std::string macro;                 // the rest after the sixth ';', empty for none
};

// Returns 0, or the first error in the order the fields are read:
// ZYL_ERR_SYNTAX (no ';' at all), ZYL_ERR_CONTROL_TYPE (a type outside
// 3..10), ZYL_ERR_SYNTAX (no second ';'), ZYL_ERR_NO_CONTROL_NAME (an empty
// name), ZYL_ERR_SYNTAX (a further ';' missing). Beyond what a window
// could hold, these are refused as ZYL_ERR_SYNTAX too: a second field of
// more than 32 characters, and a width, rows or value field above 65535.
// An items field longer than the items buffer is cut at its end.
// `printing` adds "_" to the group and the name (the print-time copy of
// a control).
int ParseFormParams(const char* data, bool printing, FormParams* out);

// '|' -> CR LF.
std::string BarsToLineBreaks(const char* text);

// The zylforms.ini section of a help file: its base name without folder
// and extension, at most 31 characters (a longer name is cut).
constexpr std::size_t kFormSectionChars = 32;
void FormSectionName(const char* helpFilePath, char out[kFormSectionChars]);

// group ":" name, or for the print-time copies group "_:" name "_". Fits
// kFormKeyChars for any group and name of kFormNameChars; a longer one
// is cut.
constexpr std::size_t kFormKeyChars = 2 * kFormNameChars + 4;
void FormKey(const char* group, const char* name, bool print, char out[kFormKeyChars]);
// The key of line `line` (1-based) of a multi-line field: key "_" line.
constexpr std::size_t kFormLineKeyChars = kFormKeyChars + 12;
void FormLineKey(const char* key, std::uint32_t line, char out[kFormLineKeyChars]);

// The lines of a multi-line value: the pieces between line breaks, a CR
// ending a line and an LF right after it skipped. There are 1 + (number
// of CR) of them.
std::vector<std::string> SplitFormLines(const char* text);

// A text field's text broken into printed lines of at most `areaWidth`
// pixels, at most `maxLines` of them: a CR ends a line (an LF after it is
// skipped); a line that grows past the width ends before the last blank in
// it and the next starts after that blank; a word wider than the whole
// line is broken before the first character that does not fit (a line
// holds one character at least). `width` measures n characters from s.
struct FormLine {
    std::size_t start, length;
};
using MeasureFn = int (*)(void* context, const char* s, std::size_t n);
std::vector<FormLine> BreakFormText(const char* text, std::size_t maxLines, int areaWidth, MeasureFn width,
                                    void* context);

}  // namespace zyl
