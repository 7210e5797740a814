// The engine's event records: the progress of a run (OnProgress) and the picture handed to a
// video hook. The encoder passes both on to its own handlers unchanged.
#pragma once

#include <cstdint>

namespace tallowin::media {

struct TBitmap;

// Progress of a task (OnProgress).
struct TProgressInfo {
  int TaskIndex = 0;
  int FileIndex = 0;            // input read next; -1 in the final report
  int CurrentFrame = 0;         // -1 without video output
  int CurrentFPS = 0;           // -1 without video output
  float CurrentQuality = 0.0f;  // -1 when unknown
  float CurrentBitrate = 0.0f;  // kbit/s
  int64_t CurrentSize = 0;      // bytes written to the first output
  int64_t CurrentDuration = 0;  // µs encoded so far
  int64_t TotalDuration = 0;    // µs expected in all; -1 when unknown
};
using PProgressInfo = TProgressInfo*;

// A picture handed to a video hook; the handler may change the bitmap and answer through Update
// and StopHook.
struct THookInfo {
  int TaskIndex = 0;
  TBitmap* Bitmap = nullptr;
  int FrameNumber = 0;
  int64_t PTS = 0;
  bool Update = true;     // the handler's changes of the bitmap are written back
  bool StopHook = false;  // no further calls of this hook for the task
};
using PHookInfo = THookInfo*;

}  // namespace tallowin::media
