#include "host_fake.h"

#include <cstdio>
#include <cstring>

namespace hostfake {

thread_local std::vector<UINT> t_messages;
thread_local const void* t_tableAddress = nullptr;
thread_local bool t_mainAliveAtTerm = true;
std::vector<JumpSeen> g_jumps;
std::vector<std::string> g_changes;
const void* g_changedNameAddress = nullptr;
int g_creates = 0, g_destroys = 0, g_live = 0;
HWND g_regionAtCreate = nullptr;
const void* g_recordAddress = nullptr;
const void* g_helpAddress = nullptr;
const void* g_dataAddress = nullptr;
std::string g_helpAtCreate;
int g_queryTechnology = 0, g_queryDpi = 0;
const void* g_renderInfoAddress = nullptr;

thread_local FARPROC t_table[ZYL_CALLBACK_COUNT];

LONG_PTR GetInfo(WORD item) {
    auto fn = reinterpret_cast<ZYL_GETINFO>(reinterpret_cast<void*>(t_table[ZYL_CALLBACK_GETINFO]));
    return fn ? fn(item, nullptr) : 0;
}

BOOL Api(const char* path, WORD command, LONG_PTR data) {
    auto fn = reinterpret_cast<ZYL_API>(reinterpret_cast<void*>(t_table[ZYL_CALLBACK_API]));
    return fn ? fn(path, command, data) : FALSE;
}

LONG_PTR CALLBACK FakeHandler(UINT message, LPARAM lParam1, LPARAM) {
    t_messages.push_back(message);
    switch (message) {
    case DW_WHATMSG:
        return DC_ALL;
    case DW_CALLBACKS:
        t_tableAddress = reinterpret_cast<const void*>(lParam1);
        std::memcpy(t_table, t_tableAddress, sizeof t_table);
        return 1;
    case DW_STARTJUMP:
    case DW_ENDJUMP:
        g_jumps.push_back({message, GetInfo(GI_TOPICNO), g_live, reinterpret_cast<HWND>(GetInfo(GI_CURRHWND))});
        return 1;
    case DW_CHGFILE:
        g_changedNameAddress = reinterpret_cast<const void*>(lParam1);
        g_changes.push_back(lParam1 ? reinterpret_cast<const char*>(lParam1) : "");
        return 1;
    case DW_TERM:
        t_mainAliveAtTerm = IsWindow(reinterpret_cast<HWND>(GetInfo(GI_MAINHWND))) != FALSE;
        return 1;
    default:
        return 1;
    }
}

struct FakeRecord {
    int width = 10, height = 10;
    char text[64] = "";
    bool render = true;
};

LRESULT CALLBACK FakeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* rec = reinterpret_cast<FakeRecord*>(GetWindowLongPtrA(hwnd, 0));
    switch (msg) {
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* info = static_cast<ZYL_CREATEINFO*>(cs->lpCreateParams);
        if (!info || info->majorVersion != 0) return -1;
        g_recordAddress = info;
        g_helpAddress = info->helpFile;
        g_dataAddress = info->authorData;
        g_helpAtCreate = info->helpFile ? info->helpFile : "";
        g_regionAtCreate = reinterpret_cast<HWND>(GetInfo(GI_CURRHWND));
        const char* data = info->authorData ? info->authorData : "";
        if (std::strstr(data, "refuse")) return -1;
        rec = new FakeRecord;
        std::sscanf(data, "%dx%d %63s", &rec->width, &rec->height, rec->text);
        rec->render = !std::strstr(data, "norender");
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(rec));
        ++g_creates;
        ++g_live;
        if (std::strstr(data, "macro")) Api(info->helpFile, ZYL_API_EXECUTE_MACRO, reinterpret_cast<LONG_PTR>("FromCreate()"));
        return 0;
    }
    case EWM_QUERYSIZE: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        auto* pt = reinterpret_cast<POINT*>(lParam);
        g_queryTechnology = GetDeviceCaps(dc, TECHNOLOGY);
        g_queryDpi = GetDeviceCaps(dc, LOGPIXELSX);
        pt->x = MulDiv(rec->width, g_queryDpi, 96);
        pt->y = MulDiv(rec->height, GetDeviceCaps(dc, LOGPIXELSY), 96);
        return 1;
    }
    case EWM_RENDER:
        if (wParam == EWRENDER_TEXT) {
            HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, std::strlen(rec->text) + 1);
            std::strcpy(static_cast<char*>(GlobalLock(h)), rec->text);
            GlobalUnlock(h);
            return reinterpret_cast<LRESULT>(h);
        }
        if (wParam == EWRENDER_BITMAP && rec->render) {
            g_renderInfoAddress = reinterpret_cast<const void*>(lParam);
            HDC target = reinterpret_cast<ZYL_RENDERINFO*>(lParam)->hdc;
            const int w = MulDiv(rec->width, GetDeviceCaps(target, LOGPIXELSX), 96);
            const int h = MulDiv(rec->height, GetDeviceCaps(target, LOGPIXELSY), 96);
            HDC mem = CreateCompatibleDC(target);
            HBITMAP bmp = CreateCompatibleBitmap(target, w, h);
            HGDIOBJ old = SelectObject(mem, bmp);
            RECT rc = {0, 0, w, h};
            HBRUSH brush = CreateSolidBrush(kFakeColour);
            FillRect(mem, &rc, brush);
            DeleteObject(brush);
            SetPixel(mem, 0, 0, RGB(0, 0, 0));
            SelectObject(mem, old);
            DeleteDC(mem);
            return reinterpret_cast<LRESULT>(bmp);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        HBRUSH brush = CreateSolidBrush(kFakeColour);
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        if (rec) {
            delete rec;
            SetWindowLongPtrA(hwnd, 0, 0);
            ++g_destroys;
            --g_live;
        }
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterFake() {
    WNDCLASSA wc = {};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = FakeProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZYLTEST_FAKE";
    RegisterClassA(&wc);   // once per process; later calls fail harmlessly
}

std::string HelpPathFromGetInfo() {
    HGLOBAL h = reinterpret_cast<HGLOBAL>(GetInfo(GI_HPATH));
    if (!h) return "<null>";
    std::string path = static_cast<const char*>(GlobalLock(h));
    GlobalUnlock(h);
    GlobalFree(h);
    return path;
}

}  // namespace hostfake
