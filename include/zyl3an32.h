/*
 * zyl3an32.h - interface between a help host and ZYL3AN32.DLL.
 *
 * A host loads the module, sends it the numbered DLL messages through
 * LDLLHandler, hands it a table of 17 callbacks (message DW_CALLBACKS) and
 * creates the module's embedded windows with a ZYL_CREATEINFO record.
 *
 * Every value that can carry a pointer or a handle is pointer sized
 * (LPARAM / LONG_PTR), so the same declarations serve the shipped 32-bit
 * module and the 64-bit build.
 */
#ifndef ZYL3AN32_H
#define ZYL3AN32_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZYL3AN32_MODULE_NAME "ZYL3AN32.DLL"

/* Messages a host sends to LDLLHandler (only the low 16 bits count). */
#define DW_NOTUSED    0
#define DW_WHATMSG    1
#define DW_MINMAX     2
#define DW_SIZE       3
#define DW_INIT       4
#define DW_TERM       5
#define DW_STARTJUMP  6
#define DW_ENDJUMP    7
#define DW_CHGFILE    8
#define DW_ACTIVATE   9
#define DW_CALLBACKS  10

/* Answer to DW_WHATMSG: every message class. */
#define DC_MINMAX     0x0001
#define DC_INITTERM   0x0002
#define DC_JUMP       0x0004
#define DC_ACTIVATE   0x0008
#define DC_CALLBACKS  0x0010
#define DC_ALL        0x001F

/* Messages a host sends to an embedded window. */
#define EWM_RENDER     0x706A /* wParam: EWRENDER_TEXT or EWRENDER_BITMAP */
#define EWM_QUERYSIZE  0x706B /* wParam: HDC, lParam: POINT* (receives size) */
#define EWM_ASKPALETTE 0x706C /* result: HPALETTE */

#define EWRENDER_TEXT   1     /* result: HGLOBAL of a NUL-terminated text */
#define EWRENDER_BITMAP 2     /* lParam: ZYL_RENDERINFO*, result: HBITMAP */

/* Window classes of the host's frames and regions. */
#define ZYL_HOST_CLASS_TOPIC      "MS_WINTOPIC"            /* the scrolling topic region */
#define ZYL_HOST_CLASS_NSR        "MS_WINNSR"              /* the non-scrolling region */
#define ZYL_HOST_CLASS_SECONDARY  "MS_WINTOPIC_SECONDARY"  /* a secondary window's frame */
#define ZYL_HOST_CLASS_POPUP      "MS_WINNOTE"             /* a popup window */

/* Messages of the host's frames. */
#define ZYL_HOST_MSG_JUMPHASH     0x040A  /* lParam: context hash of a topic to show in this frame */
#define ZYL_HOST_MSG_WINDOWNAME   0x05F5  /* lParam: 9-byte buffer that receives the window name */
#define ZYL_HOST_MSG_PALETTE      0x05FA  /* wParam: the window whose palette is to be realized */
#define ZYL_HOST_MSG_NEWWINDOW    0x05FB  /* wParam ZYL_NEWWINDOW_*; lParam: ZYL_NEWWINDOWINFO* */
#define ZYL_HOST_MSG_BUTTONPOINT  0x05FD  /* lParam: a contents button's lower-left corner on the
                                             screen (x low, y high word); the rest is the host's */
#define ZYL_HOST_CMD_PRINT        0x044F  /* WM_COMMAND id of the host's print command */
#define ZYL_NEWWINDOW_SECONDARY   3       /* ZYL_HOST_MSG_NEWWINDOW: a new secondary frame */
#define ZYL_NEWWINDOW_POPUP       4       /* ZYL_HOST_MSG_NEWWINDOW: a new popup */
/* The host record of ZYL_HOST_MSG_NEWWINDOW: the new window stands in its
   fourth 32-bit word (byte offset 12). Window handles are 32-bit values on
   64-bit Windows too (HandleToLong / LongToHandle). */
typedef struct ZYL_NEWWINDOWINFO {
    DWORD reserved[3];
    DWORD window;
} ZYL_NEWWINDOWINFO;
/* Registered message the module sends the main frame when it gets the
   callback table. */
#define ZYL_HOST_SHELL_MESSAGE    "WM_CEDARTRUNK"

/* Creation record: CREATESTRUCT.lpCreateParams points to it. */
typedef struct ZYL_CREATEINFO {
    WORD   majorVersion;   /* must be 0 */
    WORD   minorVersion;
    LPCSTR helpFile;       /* path of the help file that holds the topic */
    LPCSTR authorData;     /* the author's parameter string */
} ZYL_CREATEINFO;

/* Render record for EWRENDER_BITMAP: the target device context stands at
   byte offset 8 (the third 32-bit word on the 32-bit platform). */
typedef struct ZYL_RENDERINFO {
    LONG reserved0;
    LONG reserved1;
    HDC  hdc;
} ZYL_RENDERINFO;

/* Host callback table handed over with DW_CALLBACKS (lParam1 = its address). */
#define ZYL_CALLBACK_COUNT    17
#define ZYL_CALLBACK_GETINFO  15
#define ZYL_CALLBACK_API      16

/* GetInfo items. */
#define GI_MAINHWND   2  /* the main frame window */
#define GI_CURRHWND   3  /* the topic region the host is working on */
#define GI_BKCOLOR    6  /* background colour (COLORREF) */
#define GI_TOPICNO    7  /* number of the current topic */
#define GI_HPATH      8  /* HGLOBAL with the help file path; receiver frees it */

/* API commands. */
#define ZYL_API_POPUP_CONTEXT   8      /* data: context number */
#define ZYL_API_JUMP_HASH       0x95   /* data: context hash */
#define ZYL_API_POPUP_HASH      0x96   /* data: context hash */
#define ZYL_API_EXECUTE_MACRO   0x102  /* data: LPCSTR macro text */
#define ZYL_API_JUMP_KEY        0x103  /* data: LPCSTR context string */
#define ZYL_API_POPUP_KEY       0x104  /* data: LPCSTR context string */

typedef LONG_PTR (CALLBACK *ZYL_GETINFO)(WORD item, HWND window);
typedef BOOL     (CALLBACK *ZYL_API)(LPCSTR helpFile, WORD command, LONG_PTR data);
typedef FARPROC  ZYL_CALLBACK_TABLE[ZYL_CALLBACK_COUNT];

/* Exports. */
typedef LONG_PTR (CALLBACK *ZYL_LDLLHANDLER)(UINT message, LPARAM lParam1, LPARAM lParam2);
LONG_PTR CALLBACK LDLLHandler(UINT message, LPARAM lParam1, LPARAM lParam2);

/* Window procedures of the embedded window classes. */
LRESULT CALLBACK AnimButtonWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK AnimMovieWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK AnimPictWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/* Video window (ZYL3_ANIMVIDEO32), its control bar (ZYL3_ANIMVIDBAR32) and
   the multimedia I/O procedure that reads clips out of the help file. */
LRESULT CALLBACK AnimVideoWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK VideoBarWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK VideoIoProc(LPSTR mmioInfo, UINT message, LPARAM lParam1, LPARAM lParam2);
/* Bullet list and its comment tip (the tip is a top-level window the list
   shows beside itself). */
LRESULT CALLBACK AnimBulletWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ToolTipWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
/* Tab bar (ZYL3_ANIMTAB32): file-card tabs that jump between topics. */
LRESULT CALLBACK AnimTabWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/* Graphic button (ZYL3_ANIMGRAPBTN32) and contents button
   (ZYL3_ANIMTOCBUTTON32). */
LRESULT CALLBACK AnimGrapBtnWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK AnimTocButtonWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/* Animated text (ZYL3_ANIMATETEXT32): one line that types itself in. */
LRESULT CALLBACK AnimTextWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/* Mouse-over button (ZYL3_ANIMMOUSE32): pictures or a flat frame that
   answer the mouse, and a macro run on a release over it. */
LRESULT CALLBACK AnimMouseBtnWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/* Macro routines (register them with RegisterRoutine, e.g.
   RR(`ZYL3AN32.DLL', `ZylAnimInit', `')). */
void CALLBACK ZylAnimInit(void);

/* Decoration of the host's windows: background colours and watermark
   pictures behind topic text (docs/macros.md), and the procedures the
   module puts on the host's frames, regions and popups. */
void CALLBACK ZylWatermark(LPCSTR windowName, LPCSTR pictureName, DWORD flags);
void CALLBACK Watermark(LPCSTR pictureName, WORD flags);
void CALLBACK ZylSPC(LPCSTR windowName, DWORD nsrColour, DWORD topicColour);
LRESULT CALLBACK HelpMainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HelpSecWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HelpNsrWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HelpScrWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HelpNoteWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam);

/* Form fields (ZYL3_ANIMCONTROL32) and their macro routines. A control name
   is "group:name", or a bare name for the empty group. Register e.g.
   RR(`ZYL3AN32.DLL', `ZylCtrlGet', `I=S'). */
LRESULT CALLBACK AnimControlWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LONG CALLBACK ZylCtrlGet(LPCSTR controlName);
LONG CALLBACK ZylCtrlTest(LPCSTR controlName, LONG value);
void CALLBACK ZylCtrlSet(LPCSTR controlName, LONG value, LPCSTR text);
void CALLBACK ZylCtrlLoad(LPCSTR group);
void CALLBACK ZylCtrlSave(LPCSTR group);

/* Sound, font, shell and display macro routines, and the two enumeration
   callbacks they and the splash use. Prototypes for RegisterRoutine:
   ZylSndPlay `SU', ZylFont `SS', ZylShell `SSSSU', ZylDC and VideoInfo
   `I=u'. */
#define ZYLSND_ON_DISK 16    /* ZylSndPlay: the sound is a disk file, not one in the help file */
#define ZYLSND_ASYNC   128   /* ZylSndPlay: return while the sound plays */
void CALLBACK ZylSndPlay(LPCSTR fileName, DWORD flags);
void CALLBACK ZylFont(LPCSTR fontFile, LPCSTR faceName);
void CALLBACK ZylShell(LPCSTR commandLine, LPCSTR document, LPCSTR verb, LPCSTR directory, DWORD failureTopic);
int CALLBACK ZylDC(WORD test);
int CALLBACK VideoInfo(WORD test);
int CALLBACK TestFontFamily(const LOGFONTA* font, const TEXTMETRICA* metrics, DWORD fontType, LPARAM search);
BOOL CALLBACK EnumWindowsProc(HWND window, LPARAM found);
/* The frame window of a sibling viewer, asked before a splash is shown:
   wParam is a global atom holding the help file's path; a reply of 0 means
   no splash. */
#define ZYL_SIBLING_VIEWER_CLASS "CORALVIEW_FRAME32"
#define ZYL_SIBLING_MSG_SPLASH   0x1404

/* Splash window (ZYL3_ANIMSPLASH32), shown by ZylSplash (prototype `Su'). */
void CALLBACK ZylSplash(LPCSTR fileName, WORD seconds);
LRESULT CALLBACK AnimSplashWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
/* Window and help-file macro routines: disk files first (ZylBagExt, `'),
 * the size of popups (ZylSPP, `UUuuU'; flags ZYLSPP_*), a flush of the
 * message queue (ZylFlush, `'), macro scripts stored in this or another help
 * file (ZylEBS, `S'; ZylEBSX, `SS') and the start of the sibling contents
 * module with a message posted to a window of a class (ZylFWSM, `I=SUUU'). */
#define ZYLSPP_PIXELS     0x0001  /* any of the low 16 bits: pixels, not 1/1024ths of the screen */
#define ZYLSPP_NEXT_ONLY  0x10000 /* for the next popup only */
void CALLBACK ZylBagExt(void);
void CALLBACK ZylSPP(DWORD reserved1, DWORD reserved2, WORD width, WORD height, DWORD flags);
void CALLBACK ZylFlush(void);
void CALLBACK ZylEBS(LPCSTR fileName);
void CALLBACK ZylEBSX(LPCSTR helpFile, LPCSTR fileName);
BOOL CALLBACK ZylFWSM(LPCSTR className, UINT message, WPARAM wParam, LPARAM lParam);

#ifdef __cplusplus
}
#endif

#endif /* ZYL3AN32_H */
