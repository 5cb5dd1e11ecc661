// ZYL3_ANIMCONTROL32: a form field in a topic. The window owns one standard
// control (push button, check box, radio button, edit field, list box or
// drop-down list) and one `FormControl` record, which outlives the window:
// a destroyed form window parks its control on the help window, and the
// next form window of the same group and name takes it over, value and all.
//
// ZYL3_ANIMCONTROLX32 wraps the drop-down list, so that the rest of the
// module talks to it as to every other control.
#include <windows.h>

#include <cstring>

#include "controls/embedded.h"
#include "core/gdiobj.h"
#include "core/handler.h"
#include "core/macro/macros.h"
#include "core/platform.h"
#include "core/text.h"
#include "forms/forms.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

constexpr int kMaxPixels = 0x7FFF;
constexpr int kCheckBoxesBitmap = 32759;   // OBM_CHECKBOXES: 4 columns, 3 rows of cells
constexpr int kWrapperHeight = 100;        // the drop-down list's room while it is made

struct AnimControlRecord : EmbeddedRecord {
    FormControl* form;   // null in the error state or once the thread released it
};

int Clamp(long long v, int low) { return static_cast<int>(v < low ? low : (v > kMaxPixels ? kMaxPixels : v)); }

char* HeapText(std::size_t bytes) {
    return static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
}

void HeapRelease(void* p) {
    if (p) HeapFree(GetProcessHeap(), 0, p);
}

// The caption of a button: the first string of its items.
const char* Caption(const FormControl* f) { return f->items ? f->items : ""; }

// ---- the list ----

void Append(InstanceRecord* inst, FormControl* f) {
    FormControl** link = &inst->formControls;
    while (*link) link = &(*link)->next;
    *link = f;
}

void Unlink(FormControl* f) {
    if (!f->instance) return;
    for (FormControl** link = &f->instance->formControls; *link; link = &(*link)->next) {
        if (*link == f) {
            *link = f->next;
            break;
        }
    }
    f->next = nullptr;
}

// A parked record of this group and name whose control still exists; a
// record whose control went with its help window is freed on the way.
FormControl* TakeParked(InstanceRecord* inst, const char* group, const char* name) {
    for (FormControl* f = inst->formControls; f;) {
        FormControl* next = f->next;
        if (f->parked && EqualNoCase(f->group, group) && EqualNoCase(f->name, name)) {
            if (f->control && IsWindow(f->control)) return f;
            FreeFormControl(f);
        }
        f = next;
    }
    return nullptr;
}

std::uint32_t FreeId(const InstanceRecord* inst) {
    for (std::uint32_t id = 1;; ++id) {
        bool taken = false;
        for (const FormControl* f = inst->formControls; f && !taken; f = f->next) taken = f->id == id;
        if (!taken) return id;
    }
}

FormControl* NewRecord(InstanceRecord* inst, const FormParams& params, const char* helpFile) {
    auto* f = static_cast<FormControl*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FormControl)));
    if (!f) return nullptr;
    f->instance = inst;
    f->height = params.rowsField;
    f->width = params.width;
    f->rows = params.rows;
    f->type = params.type;
    f->value = params.value;
    CopyBounded(f->group, sizeof f->group, params.group);
    CopyBounded(f->name, sizeof f->name, params.name);
    CopyBounded(f->helpFile, sizeof f->helpFile, helpFile);
    if (params.hasItems && (f->items = HeapText(kFormTextBytes)) != nullptr)
        std::memcpy(f->items, params.items.data(), params.items.size());   // the zeros end it twice
    if (!params.macro.empty() && (f->macro = HeapText(params.macro.size() + 1)) != nullptr)
        std::memcpy(f->macro, params.macro.c_str(), params.macro.size());
    return f;
}

// ---- the child control ----

struct Metrics {
    int textWidth = 0;    // the caption's
    int lineHeight = 0;
    int em = 0;           // width of "M"
};

Metrics Measure(const InstanceRecord* inst, const char* caption) {
    Metrics m;
    WindowDC screen(nullptr);
    Selected font(screen.get(), inst->font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(screen.get(), &tm);
    m.lineHeight = tm.tmHeight;
    m.em = PackedWidth(MeasureText(screen.get(), "M", 1));
    m.textWidth = PackedWidth(MeasureText(screen.get(), caption, static_cast<int>(std::strlen(caption))));
    return m;
}

HWND MakeChild(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
               std::uint32_t id, HFONT font) {
    HWND child = CreateWindowExA(0, cls, text, style, x, y, w, h, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), nullptr);
    if (child) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void AddItems(HWND control, UINT message, const char* items) {
    if (!items) return;
    for (const char* p = items; *p; p += std::strlen(p) + 1) SendMessageA(control, message, 0, reinterpret_cast<LPARAM>(p));
}

// One cell of the system's check-box picture. The picture is the
// system's own: measured once.
SIZE CheckCell() {
    static SIZE cell = {-1, -1};
    if (cell.cx < 0) {
        Bitmap boxes(LoadBitmapA(nullptr, MAKEINTRESOURCEA(kCheckBoxesBitmap)));
        BITMAP bm = {};
        if (boxes && GetObjectA(boxes.get(), sizeof bm, &bm)) cell = SIZE{bm.bmWidth / 4, bm.bmHeight / 3};
        else cell = SIZE{0, 0};
    }
    return cell;
}

void CreateButton(HWND hwnd, FormControl* f, const Metrics& m) {
    static const DWORD kStyles[] = {0x50010000, 0x50010003, 0, 0, 0, 0x50010009, 0x50010001};
    int w = m.textWidth + 8, h = m.lineHeight + 8;
    if (f->type == kFormCheckBox || f->type == kFormRadio) {
        const SIZE cell = CheckCell();
        w = cell.cx + m.textWidth + 7;
        h = m.lineHeight + 2 > cell.cy ? m.lineHeight + 2 : cell.cy;
    }
    f->width = Clamp(f->width > w ? f->width : w, 0);
    f->height = Clamp(h, 0);
    f->control = MakeChild(hwnd, "button", Caption(f), kStyles[f->type - kFormReset], 0, 0, f->width, f->height, f->id,
                           f->instance->font);
    if (f->control) SendMessageA(f->control, BM_SETCHECK, f->value & kFormValueMask, 0);
}

void CreateDropDown(HWND hwnd, FormControl* f, const Metrics& m) {
    f->width = Clamp(static_cast<long long>(m.em) * f->width + 6, 27);
    f->height = Clamp(m.lineHeight + 7 + (GetPlatformClass(true, nullptr) ? 1 : 0), 0);
    HWND wrapper = CreateWindowExA(0, "ZYL3_ANIMCONTROLX32", "", WS_CHILD | WS_VISIBLE, 0, 0, f->width, kWrapperHeight,
                                   hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(f->id)), ModuleInstance(), nullptr);
    if (!wrapper) return;
    f->control = wrapper;
    HWND combo = MakeChild(wrapper, "combobox", "", 0x50210603, 0, 0, f->width, kWrapperHeight, f->id, f->instance->font);
    if (!combo) return;
    RECT rc;
    GetWindowRect(combo, &rc);
    SetWindowPos(wrapper, nullptr, 0, 0, f->width, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    AddItems(wrapper, CB_ADDSTRING, f->items);
    SendMessageA(wrapper, CB_SETCURSEL, f->value & kFormValueMask, 0);
}

void CreateChild(HWND hwnd, FormControl* f) {
    InstanceRecord* inst = f->instance;
    // The first radio button of a set starts checked.
    if (f->type == kFormRadio) {
        bool alone = true;
        for (const FormControl* o = inst->formControls; o && alone; o = o->next) alone = o == f || !SameSet(o, f);
        if (alone) f->value |= 1;
    }
    f->id = FreeId(inst);
    const bool button = f->type == kFormReset || f->type == kFormCheckBox || f->type == kFormRadio || f->type == kFormSave;
    const Metrics m = Measure(inst, button ? Caption(f) : "");
    const long long columns = static_cast<long long>(m.em) * f->width + 6;
    switch (f->type) {
    case kFormReset:
    case kFormCheckBox:
    case kFormRadio:
    case kFormSave:
        CreateButton(hwnd, f, m);
        break;
    case kFormDropDown:
        CreateDropDown(hwnd, f, m);
        break;
    case kFormText:
        f->width = Clamp(columns, 10);
        f->height = Clamp(m.lineHeight + 6, 0);
        f->control = MakeChild(hwnd, "edit", Caption(f), 0x50810080, 0, 0, f->width, f->height, f->id, inst->font);
        break;
    case kFormMultiLine:
        f->width = Clamp(columns, 27);
        f->height = Clamp(static_cast<long long>(m.lineHeight + 2) * f->rows + 6, 51);
        f->control = MakeChild(hwnd, "edit", Caption(f), 0x50A11044, 0, 0, f->width, f->height, f->id, inst->font);
        break;
    case kFormListBox:
        f->width = Clamp(columns, 27);
        f->height = Clamp(static_cast<long long>(m.lineHeight) * f->rows + 4, 54);
        f->control = MakeChild(hwnd, "listbox", "", 0x50A11141, 1, 1, f->width - 2, f->height - 2, f->id, inst->font);
        AddItems(f->control, LB_ADDSTRING, f->items);
        SendMessageA(f->control, LB_SETCURSEL, f->value & kFormValueMask, 0);
        break;
    }
}

// ---- the window ----

LRESULT OnCreate(HWND hwnd, AnimControlRecord* rec, const char* data) {
    InstanceRecord* inst = rec->instance;
    FormParams params;
    if (const int error = ParseFormParams(data, inst->printing != 0, &params)) {
        // Nothing to keep, load or run: the base shows the message.
        EnterErrorState(hwnd, error);
        return 0;
    }
    if (FormControl* f = TakeParked(inst, params.group, params.name)) {
        f->parked = 0;
        f->window = hwnd;
        rec->form = f;
        SetParent(f->control, hwnd);
        ShowWindow(f->control, SW_SHOW);
        SetWindowPos(f->control, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        rec->size = SIZE{f->width, f->height};
        return 0;
    }
    FormControl* f = NewRecord(inst, params, rec->helpFile);
    if (!f) return 0;   // an empty window: nothing to show without a record
    Append(inst, f);
    f->topic = static_cast<std::uint32_t>(HostGetInfo(inst, GI_TOPICNO));
    f->owner = reinterpret_cast<HWND>(HostGetInfo(inst, GI_CURRHWND));
    f->window = hwnd;
    rec->form = f;
    CreateChild(hwnd, f);
    rec->size = SIZE{f->width, f->height};
    LoadFormState(inst, f->group, f->name, inst->printing != 0);
    return 0;
}

// Parks the control on its help window; a print-time copy, or one without
// a help window to park on, is freed.
void OnDestroy(AnimControlRecord* rec) {
    FormControl* f = rec->form;
    if (!f) return;
    rec->form = nullptr;
    f->window = nullptr;
    if (f->instance->printing || !f->owner || !IsWindow(f->owner) || !f->control || !IsWindow(f->control)) {
        FreeFormControl(f);
        return;
    }
    ShowWindow(f->control, SW_HIDE);
    SetParent(f->control, f->owner);
    f->parked = 1;
}

void ResetControl(FormControl* f) {
    const WPARAM initial = f->value & kFormValueMask;
    switch (f->type) {
    case kFormCheckBox:
    case kFormRadio: SendMessageA(f->control, BM_SETCHECK, initial, 0); break;
    case kFormDropDown: SendMessageA(f->control, CB_SETCURSEL, initial, 0); break;
    case kFormListBox: SendMessageA(f->control, LB_SETCURSEL, initial, 0); break;
    case kFormText:
    case kFormMultiLine: SendMessageA(f->control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Caption(f))); break;
    }
}

void RunMacro(FormControl* f) {
    if (f->macro) RunMacros(f->instance, f->helpFile, f->macro);
}

void OnCommand(FormControl* f, WORD code) {
    switch (f->type) {
    case kFormReset:
        if (code != BN_CLICKED) return;
        for (FormControl* o = f->instance->formControls; o; o = o->next)
            if (o->id != f->id && SameGroup(o, f->group)) ResetControl(o);
        RunMacro(f);
        return;
    case kFormSave:
        if (code != BN_CLICKED) return;
        SaveFormState(f->instance, f->group, false);
        RunMacro(f);
        return;
    case kFormDropDown:
    case kFormListBox:
        if (code == 1) RunMacro(f);   // CBN_SELCHANGE, LBN_SELCHANGE
        return;
    case kFormRadio:
        if (code == BN_CLICKED) UncheckOtherRadios(f);
        return;
    }
}

// The child's background: the colour the help window paints behind us.
LRESULT OnControlColour(HWND hwnd, FormControl* f, HDC dc) {
    if (f->brush) DeleteObject(f->brush);
    f->brush = CreateSolidBrush(GetRegionBackColour(f->instance, hwnd));
    SetBkMode(dc, TRANSPARENT);
    if (f->brush) UnrealizeObject(f->brush);
    return reinterpret_cast<LRESULT>(f->brush);
}

LRESULT AnimControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    AnimControlRecord* rec = RecordOf<AnimControlRecord>(hwnd);
    FormControl* f = rec->form;
    switch (msg) {
    case WM_CREATE:
        return OnCreate(hwnd, rec, AuthorData(lParam));
    case WM_DESTROY:
        OnDestroy(rec);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_COMMAND:
        if (f && LOWORD(wParam) == static_cast<WORD>(f->id)) OnCommand(f, HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        if (f && f->control && reinterpret_cast<HWND>(lParam) == f->control)
            return OnControlColour(hwnd, f, reinterpret_cast<HDC>(wParam));
        return 0;
    case EWM_RENDER:
        if (!f) return 0;
        if (wParam == EWRENDER_TEXT) {
            FormText text(f);
            return reinterpret_cast<LRESULT>(text.get() ? MakeTextBlock(text.get()) : nullptr);
        }
        if (wParam == EWRENDER_BITMAP) return reinterpret_cast<LRESULT>(RenderFormPicture(f, RenderTarget(lParam)));
        return 0;
    }
    return EmbeddedDefProc(hwnd, msg, wParam, lParam);
}

// The drop-down list's wrapper: the list's messages go to the combobox,
// its notifications to the form window.
LRESULT CALLBACK DropDownWrapperProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case CB_ADDSTRING:
    case CB_GETCURSEL:
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN:
    case CB_SETCURSEL:
    case CB_FINDSTRINGEXACT: {
        HWND combo = GetWindow(hwnd, GW_CHILD);
        return combo ? SendMessageA(combo, msg, wParam, lParam) : 0;
    }
    case WM_COMMAND:
        return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

// ---- records ----

bool SameGroup(const FormControl* rec, const char* group) { return EqualNoCase(rec->group, group); }

bool SameSet(const FormControl* a, const FormControl* b) {
    return EqualNoCase(a->group, b->group) && EqualNoCase(a->name, b->name);
}

FormText::FormText(const FormControl* f)
    : text_(static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kFormTextBytes))) {
    if (!text_ || !f || !f->control) return;
    if (f->type == kFormListBox || f->type == kFormDropDown) {
        const bool list = f->type == kFormListBox;
        const LRESULT sel = SendMessageA(f->control, list ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
        const LRESULT len = sel >= 0 ? SendMessageA(f->control, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, sel, 0) : -1;
        if (len >= 0 && len < static_cast<LRESULT>(kFormTextBytes))
            SendMessageA(f->control, list ? LB_GETTEXT : CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(text_));
    } else {
        GetWindowTextA(f->control, text_, static_cast<int>(kFormTextBytes));
    }
}

FormText::~FormText() { HeapRelease(text_); }

void UncheckOtherRadios(FormControl* rec) {
    for (FormControl* o = rec->instance->formControls; o; o = o->next)
        if (o->id != rec->id && o->type == kFormRadio && SameSet(o, rec)) SendMessageA(o->control, BM_SETCHECK, 0, 0);
}

void FreeFormControl(FormControl* f) {
    if (!f) return;
    Unlink(f);
    // A form window still holding the record lives on, empty.
    if (f->window && IsWindow(f->window) &&
        reinterpret_cast<WNDPROC>(GetClassLongPtrA(f->window, GCLP_WNDPROC)) == &AnimControlWndProc) {
        if (auto* rec = RecordOf<AnimControlRecord>(f->window))
            if (rec->form == f) rec->form = nullptr;
    }
    HWND control = f->control;
    f->control = nullptr;
    if (control && IsWindow(control)) DestroyWindow(control);
    if (f->brush) DeleteObject(f->brush);
    HeapRelease(f->items);
    HeapRelease(f->macro);
    HeapRelease(f);
}

void FreeParkedFormControls(InstanceRecord* inst, HWND owner) {
    if (!inst) return;
    for (FormControl* f = inst->formControls; f;) {
        FormControl* next = f->next;
        if (f->parked && f->owner == owner) FreeFormControl(f);
        f = next;
    }
}

void FreeParkedAfterJump(InstanceRecord* inst) {
    if (!inst) return;
    const auto topic = static_cast<std::uint32_t>(HostGetInfo(inst, GI_TOPICNO));
    HWND current = reinterpret_cast<HWND>(HostGetInfo(inst, GI_CURRHWND));
    for (FormControl* f = inst->formControls; f;) {
        FormControl* next = f->next;
        if (f->parked && f->topic != topic && f->owner == current) FreeFormControl(f);
        f = next;
    }
}

void FreeAllFormControls(InstanceRecord* inst) {
    if (!inst) return;
    while (inst->formControls) FreeFormControl(inst->formControls);
}

const EmbeddedClass kAnimControlClass = {
    "ZYL3_ANIMCONTROL32", AnimControlWndProc, AnimControlProc, kEmbeddedStyle, kRecordSlot,
    ClassCursor::kArrow, kNoBackground, sizeof(AnimControlRecord), false,
};

const EmbeddedClass kAnimControlXClass = {
    "ZYL3_ANIMCONTROLX32", DropDownWrapperProc, nullptr, CS_HREDRAW | CS_VREDRAW, 0,
    ClassCursor::kArrow, kNoBackground, 0, true,
};

}  // namespace zyl

extern "C" LRESULT CALLBACK AnimControlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return zyl::EmbeddedWindowProc(zyl::kAnimControlClass, hwnd, msg, wParam, lParam);
}
