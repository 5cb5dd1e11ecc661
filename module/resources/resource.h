/*
 * Resource ids of the module, shared by zyl3an32.rc and the code. Plain
 * defines only: the resource compiler reads this file too, and so do the
 * portable parsers, which report their errors by these ids.
 */
#ifndef ZYL_RESOURCE_H
#define ZYL_RESOURCE_H

/* The hand cursor of clickable windows. */
#define IDC_ZYL_HAND 8000

/* Bullet list: the normal and the hovered bullet (16 x 24, the picture
   above its mask) and the scroll buttons a printed list shows (17 x 17). */
#define IDB_ZYL_BULLET           107
#define IDB_ZYL_BULLET_HOT       108
#define IDB_ZYL_SCROLL_UP        109
#define IDB_ZYL_SCROLL_DOWN      110

/* Form fields: the arrows a printed drop-down list, list box or multi-line
   field is drawn with (black and white). */
#define IDB_ZYL_FORM_DROPDOWN    104  /* 17 x 20 */
#define IDB_ZYL_FORM_SCROLLUP    105  /* 17 x 17 */
#define IDB_ZYL_FORM_SCROLLDOWN  106  /* 17 x 17 */

/* Error messages an embedded window shows in its error state: string-table
   ids from ZYL_ERR_FIRST on; an id below it is a multimedia (MCI) error code
   whose text the multimedia system supplies. */
#define ZYL_ERR_MISSING_BITMAP   10000  /* "Missing or corrupted bitmap" */
#define ZYL_ERR_SYNTAX           10001  /* "Syntax error in parameters" */
#define ZYL_ERR_COLUMNS          10002  /* "Invalid number of columns" */
#define ZYL_ERR_ROWS             10003  /* "Invalid number of rows" */
#define ZYL_ERR_FRAMES           10004  /* "Invalid number of frames" */
#define ZYL_ERR_FRAME_IS         10005  /* "Frame # is " */
#define ZYL_ERR_NO_TIMERS        10006  /* "No Timers available" */
#define ZYL_ERR_FONT_SIZE        10007  /* "Bad font size specified" */
#define ZYL_ERR_NO_DRIVER        10008  /* "No device driver to play file" */
#define ZYL_ERR_CONTROL_TYPE     10009  /* "Bad control type" */
#define ZYL_ERR_NO_CONTROL_NAME  10010  /* "No control name specified" */
#define ZYL_ERR_NO_TABS          10011  /* "No tabs on tab bar" */
#define ZYL_ERR_NO_TAB_FILE      10012  /* "No tab file found" */
#define ZYL_ERR_BULLET_FILE      10013  /* "Missing or corrupted bullet file" */
#define ZYL_ERR_FIRST            ZYL_ERR_MISSING_BITMAP

/* Video window and its control bar: the play button of a clip without
   picture (three 20 x 20 pictures), the bar's buttons (two columns by four
   rows of 20 x 19), the position mark and the mark while dragged (8 x 15),
   and the bar's menu with its commands. */
#define IDB_ZYL_VIDEO_PLAY    100
#define IDB_ZYL_VIDEO_BAR     101
#define IDB_ZYL_VIDEO_MARK    102
#define IDB_ZYL_VIDEO_DRAG    103
#define IDM_ZYL_VIDEO_BAR     1000
#define IDM_ZYL_VIDEO_PLAY    101
#define IDM_ZYL_VIDEO_STOP    102
#define IDM_ZYL_VIDEO_REWIND  103

#endif /* ZYL_RESOURCE_H */
