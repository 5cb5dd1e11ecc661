// Form fields: the records of the form control windows and the operations
// the rest of the module calls on them.
//
// Each form window (ZYL3_ANIMCONTROL32) owns one standard control and one
// `FormControl` record in its thread's `formControls` list. When the host
// destroys the window (a re-layout), the control is hidden and parked on
// the help window the record was made in; the next form window with the
// same group and name takes it over with its value. Parked records are
// freed when the host leaves their topic (message 7), when their help
// window goes, and when the thread ends (message 5).
//
// The host's print command (WM_COMMAND ZYL_HOST_CMD_PRINT on the main
// frame) is seen by the main frame's subclass procedure, which must do, in
// this order:
//     inst->printing = TRUE;
//     SaveFormState(inst, nullptr, true);     // every control to "@PRINT@"
//     result = <the frame's previous procedure>(...);
//     inst->printing = FALSE;
// Form windows the host creates while printing carry "_" after group and
// name, load their state from "@PRINT@" and are freed, not parked, when
// destroyed.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/thread/instance.h"
#include "forms/animcontrol_parse.h"

namespace zyl {

// A window whose parameters are wrong keeps no record: it only shows its
// message, and nothing can find, load, save or reset it.
struct FormControl {
    InstanceRecord* instance;
    FormControl* next;               // formControls, in creation order
    std::int32_t width;              // the control's size in pixels
    std::int32_t height;
    std::int32_t rows;               // lines drawn when printed
    std::int32_t type;               // FormControlType
    std::uint32_t value;             // kFormValueMask initial state, kFormStoreAsText
    char* items;                     // kFormTextBytes: caption, initial text or list items; or null
    char* macro;                     // or null
    HWND control;                    // the child (for a drop-down list, its wrapper)
    std::uint32_t id;                // child id, unique in the list
    HBRUSH brush;                    // background handed to the child, or null
    char group[kFormNameChars];
    char name[kFormNameChars];
    std::uint32_t topic;             // host topic number when made
    HWND owner;                      // help window when made: where the control parks
    std::uint32_t parked;            // 1 while no form window holds the control
    char helpFile[kPathChars];       // short path; macros run in this file
    HWND window;                     // the form window holding it, null while parked
};

constexpr char kFormStateFile[] = "zylforms.ini";
constexpr char kPrintSection[] = "@PRINT@";

// ---- records (animcontrol.cpp) ----
// Releases the record's buffers, its control (if still a window) and its
// brush, takes it out of its instance's list and frees it. A form window
// still holding it keeps working without it (as an empty window).
void FreeFormControl(FormControl* rec);
// Frees every parked record whose owner window is `owner`: the host's
// topic or non-scrolling region is being destroyed.
void FreeParkedFormControls(InstanceRecord* inst, HWND owner);
// Host message 7: frees the parked records made in the current help window
// (GetInfo item 3) for a topic other than the current one (item 7).
void FreeParkedAfterJump(InstanceRecord* inst);
// Host message 5: every record, parked or not.
void FreeAllFormControls(InstanceRecord* inst);

// ---- printing (animcontrol_draw.cpp) ----
// The control as printed, drawn at screen size in black and white and
// stretched to `target`'s size; null on failure. The host owns it.
HBITMAP RenderFormPicture(const FormControl* rec, HDC target);

// ---- the form state file (formstate.cpp) ----
// Sets controls from zylforms.ini: those of `group` (all of them when
// printing) and, when `name` is given, only those of that name. Printing
// reads the "@PRINT@" section.
void LoadFormState(InstanceRecord* inst, const char* group, const char* name, bool print);
// Writes the values of the controls of `group` (all of them when printing,
// under the print-time keys, to "@PRINT@").
void SaveFormState(InstanceRecord* inst, const char* group, bool print);
// "group:name" or a bare name (the empty group); parked records included.
FormControl* FindFormControl(InstanceRecord* inst, const char* controlName);

// A zero-filled heap buffer of kFormTextBytes (null when there is no
// memory), freed with the object. Given a record, it holds the control's
// text: a list's selected item ("" when none), else the window text (a
// field's text, a button's caption).
class FormText {
public:
    explicit FormText(const FormControl* rec = nullptr);
    ~FormText();
    FormText(const FormText&) = delete;
    FormText& operator=(const FormText&) = delete;
    char* get() const { return text_; }

private:
    char* text_;
};

// Both compare ASCII case-insensitively.
bool SameGroup(const FormControl* rec, const char* group);
bool SameSet(const FormControl* a, const FormControl* b);   // same group and name

// Unchecks every other radio button of `rec`'s set.
void UncheckOtherRadios(FormControl* rec);

}  // namespace zyl
