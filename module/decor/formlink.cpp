#include "decor/formlink.h"

namespace zyl {

// The form fields are not part of the module yet. When they join, these
// two bodies become SaveFormState(inst, nullptr, true) (every group's
// fields to "@PRINT@") and FreeParkedFormControls(inst, region), both of
// forms/forms.h; nothing else of the decoration code changes.

void SaveFormsBeforePrinting(InstanceRecord*) {}

void ReleaseParkedForms(InstanceRecord*, HWND) {}

}  // namespace zyl
