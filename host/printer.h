// The host's printer: a PostScript printer of a given resolution, set up
// once per Wine prefix (or Windows installation) and only ever used for its
// device context. No job is sent to it.
#pragma once
#include <windows.h>

#include <string>

namespace zylhost {

// Name of the printer that prints at `dpi` ("Zyl Printer 600").
std::string HostPrinterName(int dpi);

// Installs the printer when it is missing (idempotent) and creates a DC of
// it: a raster printer (not a display) with `dpi` as its LOGPIXELSX/Y.
// Null with `error` filled when that fails. The caller deletes the DC.
HDC CreateHostPrinterDC(int dpi, std::string* error);

}  // namespace zylhost
