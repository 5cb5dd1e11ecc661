// The profile entries that let the Media Control Interface find a driver
// for a clip's extension: a clean Wine prefix has no "mci extensions"
// section, so clips in topics could not open at all.
#include <windows.h>

#include "host.h"

namespace zylhost {

void RegisterMciExtensions() {
    static const char* const kDrivers[][2] = {
        {"avi", "avivideo"},
        {"wav", "waveaudio"},
        {"mid", "sequencer"},
        {"rmi", "sequencer"},
    };
    for (const auto& entry : kDrivers) {
        char current[64] = "";
        GetProfileStringA("mci extensions", entry[0], "", current, sizeof current);
        // What the user's profile says already stays.
        if (!current[0]) WriteProfileStringA("mci extensions", entry[0], entry[1]);
    }
}

}  // namespace zylhost
