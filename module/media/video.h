// The video record, shared by the video window (video.cpp), its I/O
// procedure and its control bar (videobar.cpp): one per video window, kept
// in the window's first extra word; the bar reads it from its parent's.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "controls/embedded.h"
#include "core/helpfile.h"
#include "media/video_parse.h"

namespace zyl {

// Ids of the video window's and the bar's children.
constexpr int kPlayButtonId = 1;
constexpr int kMenuButtonId = 2;
constexpr int kVideoBarId = 3;

struct VideoRecord : EmbeddedRecord {
    // EmbeddedRecord::size is the window's size, the bar's 23 pixels included;
    // errorId an MCI error code (below ZYL_ERR_FIRST) or a string id.
    std::uint16_t flags;          // the autoplay bit goes once autoplay started
    std::int32_t length;          // MCI_STATUS_LENGTH after a successful open
    HWND pictureWindow;           // the MCI playback window or the play button, or null
    HWND barWindow;               // the control bar, or null
    MCIDEVICEID device;           // 0 while nothing is open

    // The I/O procedure's state. It runs on the thread that opens the clip
    // and on the driver's playback thread, never on both at once.
    HelpFileHandle* clipHelpFile; // open from the first read or seek to the driver's close
    DataFile* clipFile;           // the clip inside it
    bool clipFound;               // the open found the clip in the help file
    char internalName[kPathChars];   // the clip's name as found there

    // Set when the window stops its own clip: the platform may report such a
    // stop as a successful completion, which must not restart a loop.
    bool stoppedByUser;

    // The control bar's state.
    std::int32_t trackLeft, trackRight;
    std::int32_t playing;         // 1 while the bar believes the clip plays
    std::int32_t markX;           // the mark's left edge, -1 when none is drawn
    std::int32_t dragX;           // last cursor x of a drag
    HBITMAP underMark;            // the 8 x 15 pixels the mark covers, or null
    UINT_PTR timer;               // the bar's 200 ms timer, 0 when none

    char fileName[kVideoFileNameChars];   // without directory, lower-cased

    VideoRecord* nextLive;        // the list of live records (video.cpp)
};

// The record of a video window, or of the video window a bar belongs to.
inline VideoRecord* VideoRecordOf(HWND videoWindow) { return RecordOf<VideoRecord>(videoWindow); }

// MCI on the record's device. Each returns the MCI error code (0 for success).
MCIERROR VideoCommand(const VideoRecord* rec, UINT command, DWORD_PTR flags, void* parms);
// MCI_STATUS of one item (MCI_WAIT); 0 when the device cannot say.
DWORD_PTR VideoStatus(const VideoRecord* rec, DWORD item);
bool VideoIsPlaying(const VideoRecord* rec);
// MCI_SEEK to the start (MCI_WAIT), to a position (MCI_TO | MCI_WAIT).
MCIERROR VideoSeekToStart(const VideoRecord* rec);
MCIERROR VideoSeekTo(const VideoRecord* rec, DWORD position);
// MCI_PLAY with MCI_NOTIFY; completion notices go to `callback` (named, as
// the driver reads it, by the low 16 bits of its handle).
MCIERROR VideoPlay(const VideoRecord* rec, HWND callback);
MCIERROR VideoStop(const VideoRecord* rec);

}  // namespace zyl
