// Where the decoration of the host's windows meets the form fields
// (module/forms/): printing saves the fields' state first, and a region
// that goes releases the form records its fields parked there.
#pragma once
#include <windows.h>

#include "core/thread/instance.h"

namespace zyl {

// Before the host prints a topic: the state of the form fields, saved
// under the name "@PRINT@" for every group.
void SaveFormsBeforePrinting(InstanceRecord* inst);
// When a region window is destroyed: the parked form records whose owner
// window it was.
void ReleaseParkedForms(InstanceRecord* inst, HWND region);

}  // namespace zyl
