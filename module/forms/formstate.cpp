// The values of form fields in zylforms.ini (one section per help file,
// keys group:name), and the macro routines that read, test, set, load and
// save form fields.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/text.h"
#include "forms/forms.h"
#include "zyl3an32.h"

namespace zyl {

namespace {

// A multi-line field writes one key per line; no more lines than its text
// buffer could hold when read back (every line but the last ends in CR LF).
constexpr UINT kMaxFieldLines = kFormTextBytes / 2;

struct Profile {
    char section[kFormSectionChars];

    Profile(const InstanceRecord* inst, bool print) {
        if (print) CopyBounded(section, sizeof section, kPrintSection);
        else FormSectionName(inst->helpFilePath, section);
    }
    int Int(const char* key, int fallback) const {
        return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, kFormStateFile));
    }
    // At most `capacity` - 1 characters, terminated.
    void String(const char* key, const char* fallback, char* out, std::size_t capacity) const {
        if (capacity == 0) return;
        GetPrivateProfileStringA(section, key, fallback, out, static_cast<DWORD>(capacity), kFormStateFile);
        out[capacity - 1] = '\0';
    }
    void Write(const char* key, const char* value) const {
        WritePrivateProfileStringA(section, key, value, kFormStateFile);
    }
    void Write(const char* key, long long value) const { Write(key, std::to_string(value).c_str()); }
};

int CheckState(const FormControl* f) { return static_cast<int>(SendMessageA(f->control, BM_GETSTATE, 0, 0) & 3); }

bool StoresText(const FormControl* f) { return (f->value & kFormStoreAsText) != 0; }

int Initial(const FormControl* f) { return static_cast<int>(f->value & kFormValueMask); }

// Position of a radio button in its set (1 for the first in the list).
int Ordinal(const FormControl* f) {
    int n = 1;
    for (const FormControl* o = f->instance->formControls; o && o != f; o = o->next)
        if (SameSet(o, f)) ++n;
    return n;
}

void SetCheck(const FormControl* f, WPARAM state) { SendMessageA(f->control, BM_SETCHECK, state, 0); }

// A radio button checked by a load unchecks the rest of its set.
void CheckRadio(FormControl* f, bool on) {
    SetCheck(f, on ? 1 : 0);
    if (on) UncheckOtherRadios(f);
}

void LoadRadioOrdinal(FormControl* f, int n) {
    if (n == 0) return;
    int count = 0;
    for (FormControl* o = f->instance->formControls; o; o = o->next) {
        if (!SameSet(o, f) || ++count != n) continue;
        CheckRadio(f, o == f);
        return;
    }
}

// A list (drop-down or list box) from its stored item text or index.
void LoadList(const Profile& profile, const char* key, FormControl* f, char* text) {
    const bool box = f->type == kFormListBox;
    if (StoresText(f)) {
        profile.String(key, "", text, kFormTextBytes);
        const LRESULT found =
            SendMessageA(f->control, box ? LB_FINDSTRINGEXACT : CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(text));
        if (found >= 0) {
            SendMessageA(f->control, box ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(found), 0);
            return;
        }
    }
    SendMessageA(f->control, box ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(profile.Int(key, Initial(f))), 0);
}

// The lines key_1 .. key_n, joined with CR LF (none after an empty last
// line), never past the buffer.
void LoadLines(const Profile& profile, const char* key, UINT count, char* text) {
    std::size_t used = 0;
    const std::size_t room = kFormTextBytes - 1;
    for (UINT i = 1; i <= count && i <= kMaxFieldLines && used < room; ++i) {
        char lineKey[kFormLineKeyChars];
        FormLineKey(key, i, lineKey);
        profile.String(lineKey, "", text + used, kFormTextBytes - used);
        const std::size_t length = std::strlen(text + used);
        used += length;
        const bool last = i == count;
        if ((!last || length > 0) && used + 2 <= room) {
            std::memcpy(text + used, "\r\n", 3);
            used += 2;
        }
    }
}

void LoadOne(const Profile& profile, FormControl* f, char* text) {
    char key[kFormKeyChars];
    FormKey(f->group, f->name, false, key);
    text[0] = '\0';
    switch (f->type) {
    case kFormCheckBox: {
        FormText caption(f);
        if (StoresText(f) && caption.get() && caption.get()[0]) {
            profile.String(key, Initial(f) == 1 ? caption.get() : "", text, kFormTextBytes);
            SetCheck(f, EqualNoCase(text, caption.get()) ? 1 : 0);
        } else {
            SetCheck(f, static_cast<WPARAM>(profile.Int(key, Initial(f))));
        }
        return;
    }
    case kFormDropDown:
    case kFormListBox:
        LoadList(profile, key, f, text);
        return;
    case kFormText:
        if (!f->items) return;
        profile.String(key, f->items, text, kFormTextBytes);
        SetWindowTextA(f->control, text);
        return;
    case kFormRadio: {
        FormText caption(f);
        if (StoresText(f) && caption.get() && caption.get()[0]) {
            profile.String(key, "", text, kFormTextBytes);
            if (text[0]) {
                CheckRadio(f, EqualNoCase(text, caption.get()));
                return;
            }
            LoadRadioOrdinal(f, 1);
            return;
        }
        LoadRadioOrdinal(f, profile.Int(key, 1));
        return;
    }
    case kFormMultiLine: {
        const UINT count = static_cast<UINT>(profile.Int(key, 0));
        if (count == 0) {
            SetWindowTextA(f->control, f->items ? f->items : "");
            return;
        }
        LoadLines(profile, key, count, text);
        SetWindowTextA(f->control, text);
        return;
    }
    }
}

void SaveOne(const Profile& profile, FormControl* f, bool print) {
    char key[kFormKeyChars];
    FormKey(f->group, f->name, print, key);
    switch (f->type) {
    case kFormCheckBox: {
        const int state = CheckState(f);
        FormText caption(f);
        if (StoresText(f) && caption.get() && caption.get()[0]) profile.Write(key, state == 1 ? caption.get() : "");
        else profile.Write(key, state);
        return;
    }
    case kFormDropDown:
    case kFormListBox: {
        if (StoresText(f)) {
            FormText text(f);
            if (text.get()) profile.Write(key, text.get());
        } else {
            profile.Write(key, static_cast<long long>(SendMessageA(
                                   f->control, f->type == kFormListBox ? LB_GETCURSEL : CB_GETCURSEL, 0, 0)));
        }
        return;
    }
    case kFormText: {
        FormText text(f);
        if (text.get()) profile.Write(key, text.get());
        return;
    }
    case kFormRadio: {
        if (!(SendMessageA(f->control, BM_GETCHECK, 0, 0) & 1)) return;
        FormText caption(f);
        if (StoresText(f) && caption.get() && caption.get()[0]) profile.Write(key, caption.get());
        else profile.Write(key, Ordinal(f));
        return;
    }
    case kFormMultiLine: {
        FormText text(f);
        if (!text.get()) return;
        const std::vector<std::string> lines = SplitFormLines(text.get());
        profile.Write(key, static_cast<long long>(lines.size()));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            char lineKey[kFormLineKeyChars];
            FormLineKey(key, static_cast<std::uint32_t>(i + 1), lineKey);
            profile.Write(lineKey, lines[i].c_str());
        }
        return;
    }
    }
}

}  // namespace

void LoadFormState(InstanceRecord* inst, const char* group, const char* name, bool print) {
    if (!inst) return;
    FormText text;
    if (!text.get()) return;
    const Profile profile(inst, print);
    for (FormControl* f = inst->formControls; f; f = f->next) {
        if (!print && !SameGroup(f, group ? group : "")) continue;
        if (name && !EqualNoCase(f->name, name)) continue;
        if (f->control) LoadOne(profile, f, text.get());
    }
}

void SaveFormState(InstanceRecord* inst, const char* group, bool print) {
    if (!inst) return;
    const Profile profile(inst, print);
    for (FormControl* f = inst->formControls; f; f = f->next) {
        if (!print && !SameGroup(f, group ? group : "")) continue;
        if (f->control) SaveOne(profile, f, print);
    }
}

FormControl* FindFormControl(InstanceRecord* inst, const char* controlName) {
    if (!inst || !controlName) return nullptr;
    const char* colon = std::strchr(controlName, ':');
    const std::string group = colon ? std::string(controlName, static_cast<std::size_t>(colon - controlName)) : "";
    const char* name = colon ? colon + 1 : controlName;
    for (FormControl* f = inst->formControls; f; f = f->next)
        if (EqualNoCase(f->group, group.c_str()) && EqualNoCase(f->name, name)) return f;
    return nullptr;
}

}  // namespace zyl

using namespace zyl;

extern "C" LONG CALLBACK ZylCtrlGet(LPCSTR controlName) {
    const FormControl* f = FindFormControl(FindInstance(), controlName);
    if (!f || !f->control) return 0;
    switch (f->type) {
    case kFormCheckBox: return CheckState(f);
    case kFormDropDown: return static_cast<LONG>(SendMessageA(f->control, CB_GETCURSEL, 0, 0));
    case kFormListBox: return static_cast<LONG>(SendMessageA(f->control, LB_GETCURSEL, 0, 0));
    case kFormRadio: {
        LONG count = 0, checkedAt = 0;
        for (const FormControl* o = f->instance->formControls; o; o = o->next) {
            if (!SameSet(o, f)) continue;
            ++count;
            if (o->control && CheckState(o) == 1) checkedAt = count;
        }
        return checkedAt;
    }
    default: return 0;
    }
}

extern "C" LONG CALLBACK ZylCtrlTest(LPCSTR controlName, LONG value) { return ZylCtrlGet(controlName) == value ? 1 : 0; }

extern "C" void CALLBACK ZylCtrlSet(LPCSTR controlName, LONG value, LPCSTR text) {
    FormControl* f = FindFormControl(FindInstance(), controlName);
    if (!f || !f->control) return;
    if (!text) text = "";
    switch (f->type) {
    case kFormCheckBox: {
        WPARAM state = static_cast<WPARAM>(value);
        if (text[0]) {
            char caption[kPathChars] = "";
            GetWindowTextA(f->control, caption, sizeof caption);
            state = std::strcmp(caption, text) == 0 ? 1 : 0;
        }
        SendMessageA(f->control, BM_SETCHECK, state, 0);
        return;
    }
    case kFormDropDown:
    case kFormListBox: {
        const bool box = f->type == kFormListBox;
        LRESULT index = value;
        if (text[0])
            index = SendMessageA(f->control, box ? LB_FINDSTRINGEXACT : CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text));
        SendMessageA(f->control, box ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    case kFormText:
        SetWindowTextA(f->control, text);
        return;
    case kFormMultiLine:
        SetWindowTextA(f->control, BarsToLineBreaks(text).c_str());
        return;
    case kFormRadio: {
        // The counter counts every record from the one found, of any set.
        LONG counter = 1;
        for (FormControl* o = f; o; o = o->next, ++counter) {
            if (std::strcmp(o->group, f->group) != 0 || std::strcmp(o->name, f->name) != 0 || !o->control) continue;
            bool on = counter == value;
            if (text[0]) {
                char caption[kPathChars] = "";
                GetWindowTextA(o->control, caption, sizeof caption);
                on = std::strcmp(caption, text) == 0;
            }
            SendMessageA(o->control, BM_SETCHECK, on ? 1 : 0, 0);
        }
        return;
    }
    default:
        return;
    }
}

extern "C" void CALLBACK ZylCtrlLoad(LPCSTR group) { LoadFormState(FindInstance(), group ? group : "", nullptr, false); }

extern "C" void CALLBACK ZylCtrlSave(LPCSTR group) { SaveFormState(FindInstance(), group ? group : "", false); }
