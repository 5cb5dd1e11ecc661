#include "printer.h"

#include <winspool.h>

#include <cstdio>
#include <mutex>

namespace zylhost {

namespace {

std::string LastErrorText(const char* what) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " (error %lu)", GetLastError());
    return std::string(what) + buf;
}

bool PrinterExists(const std::string& name) {
    HANDLE h = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, nullptr)) return false;
    ClosePrinter(h);
    return true;
}

// A minimal PostScript printer description: Letter paper at `dpi`, colour.
std::string PpdText(int dpi) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "*PPD-Adobe: \"4.3\"\n"
                  "*FormatVersion: \"4.3\"\n"
                  "*LanguageVersion: English\n"
                  "*ModelName: \"Zyl Printer %d\"\n"
                  "*NickName: \"Zyl Printer %d\"\n"
                  "*LanguageLevel: \"3\"\n"
                  "*ColorDevice: True\n"
                  "*DefaultColorSpace: RGB\n"
                  "*TTRasterizer: Type42\n"
                  "*DefaultResolution: %ddpi\n"
                  "*OpenUI *PageSize: PickOne\n"
                  "*DefaultPageSize: Letter\n"
                  "*PageSize Letter/Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
                  "*CloseUI: *PageSize\n"
                  "*OpenUI *PageRegion: PickOne\n"
                  "*DefaultPageRegion: Letter\n"
                  "*PageRegion Letter/Letter: \"<</PageSize[612 792]>>setpagedevice\"\n"
                  "*CloseUI: *PageRegion\n"
                  "*DefaultImageableArea: Letter\n"
                  "*ImageableArea Letter/Letter: \"18 36 594 756\"\n"
                  "*DefaultPaperDimension: Letter\n"
                  "*PaperDimension Letter/Letter: \"612 792\"\n"
                  "*DefaultFont: Courier\n"
                  "*Font Courier: Standard \"(002.004S)\" Standard ROM\n",
                  dpi, dpi, dpi);
    return text;
}

bool Install(int dpi, const std::string& name, std::string* error) {
    char dir[MAX_PATH];
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed)) {
        *error = LastErrorText("no printer driver directory");
        return false;
    }
    // One description file, and so one driver entry, per resolution: the
    // PostScript driver reads the resolution from its driver's data file,
    // and adding a driver again replaces that file for every printer on it.
    char ppdName[64], driverName[96];
    std::snprintf(ppdName, sizeof ppdName, "zylhost-%d.ppd", dpi);
    std::snprintf(driverName, sizeof driverName, "Zyl PostScript %d", dpi);
    std::string ppdPath = std::string(dir) + "\\" + ppdName;
    FILE* f = std::fopen(ppdPath.c_str(), "wb");
    if (!f) {
        *error = "cannot write " + ppdPath;
        return false;
    }
    std::string ppd = PpdText(dpi);
    bool written = std::fwrite(ppd.data(), 1, ppd.size(), f) == ppd.size();
    written = std::fclose(f) == 0 && written;
    if (!written) {
        *error = "cannot write " + ppdPath;
        return false;
    }

    DRIVER_INFO_3A di;
    ZeroMemory(&di, sizeof di);
    di.cVersion = 3;
    di.pName = driverName;
    di.pDriverPath = const_cast<char*>("wineps.drv");
    di.pConfigFile = const_cast<char*>("wineps.drv");
    di.pDataFile = ppdName;
    if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&di)) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
        *error = LastErrorText("cannot add the PostScript printer driver");
        return false;
    }

    PRINTER_INFO_2A pi;
    ZeroMemory(&pi, sizeof pi);
    pi.pPrinterName = const_cast<char*>(name.c_str());
    pi.pPortName = const_cast<char*>("FILE:");
    pi.pDriverName = driverName;
    pi.pPrintProcessor = const_cast<char*>("WinPrint");
    pi.pDatatype = const_cast<char*>("RAW");
    HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&pi));
    if (!h) {
        if (GetLastError() == ERROR_PRINTER_ALREADY_EXISTS) return true;
        *error = LastErrorText(("cannot add the printer " + name).c_str());
        return false;
    }
    ClosePrinter(h);
    return true;
}

std::mutex g_installLock;   // several hosts on several threads may print at once

}  // namespace

std::string HostPrinterName(int dpi) { return "Zyl Printer " + std::to_string(dpi); }

HDC CreateHostPrinterDC(int dpi, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    if (dpi < 72 || dpi > 2400) {
        *error = "printer resolution " + std::to_string(dpi) + " dpi is outside 72..2400";
        return nullptr;
    }
    const std::string name = HostPrinterName(dpi);
    {
        std::lock_guard<std::mutex> lock(g_installLock);
        if (!PrinterExists(name) && !Install(dpi, name, error)) return nullptr;
    }
    HDC dc = CreateDCA(nullptr, name.c_str(), nullptr, nullptr);
    if (!dc) *error = LastErrorText(("cannot open a device context of " + name).c_str());
    return dc;
}

}  // namespace zylhost
