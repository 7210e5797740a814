// The encoder's option records (what a task reads and writes), its event records, and the text
// form of the option records' fields.
//
// The option records describe one input or one output of an encoder task in the vocabulary of the
// engine's options: a number of -1, an empty text or kNoPtsValue means "not set", and the encoder
// produces no option for it. The field tables list every field of TInputOptions and TOutputOptions
// by name, in the order in which the encoder turns them into options, with a text form that the
// command-line tool and the preset catalogue use to read and write single fields.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "media/engine/engine_events.h"

namespace tallowin::media {

struct TBitmap;

// AV_NOPTS_VALUE of the libraries: marks an unset time in the option records.
inline constexpr int64_t kNoPtsValue = std::numeric_limits<int64_t>::min();

// Time stamp and metadata of an output (TOutputOptions::Metadata).
struct TStreamInfo {
  // A local date-time as days since 1899-12-30: < 0 not set, 0 now, > 0 that moment.
  double Timestamp = -1.0;
  int Year = -1;   // metadata "year" when > 0
  int Track = -1;  // metadata "track" when > 0
  // Each written under its lower-case metadata key when not empty.
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Comment;
  std::string Album;
  std::string Genre;
};

// One input file of a task.
struct TInputOptions {
  std::string FileName;             // empty: the name passed to the operation
  std::string FileFormat;           // container format to force; empty = detect
  int64_t StartTime = kNoPtsValue;  // µs
  int ProgramID = -1;               // < 0 = not set
  std::string ExtOptions;           // extra options, see ParseExtOptions (records_to_options.h)
};

// One output file of a task.
struct TOutputOptions {
  std::string FileName;  // empty: the name passed to SetOutputFile
  std::string FileExt;   // not interpreted: the output extension of the program's jobs
  std::string FileFormat;
  int PacketSize = -1;
  int MuxRate = -1;
  float MuxDelay = -1.0f;    // s
  float MuxPreload = -1.0f;  // s
  std::string AudioCodec;
  std::string AudioPreset;
  bool DisableAudio = false;
  int AudioVolume = -1;  // 256 = unchanged
  int AudioChannels = -1;
  int AudioSampleRate = -1;  // Hz
  int AudioBitrate = -1;     // bit/s
  int AudioBitrateTolerance = -1;
  std::string AudioLanguage;
  int AudioSync = 0;
  std::string AudioTag;
  std::string VideoCodec;
  std::string VideoPreset;
  bool DisableVideo = false;
  std::string FrameRate;         // "25", "30000/1001"
  std::string FrameSize;         // "640x480"
  std::string FrameAspectRatio;  // "16:9"
  int GopSize = -1;
  int VideoBitrate = -1;  // bit/s
  int VideoMaxRate = -1;
  int VideoMinRate = -1;
  int VideoBitrateTolerance = -1;
  int VideoBufSize = -1;
  int VideoSync = -1;
  std::string VideoTag;
  std::string VideoFilters;
  std::string VideoLanguage;
  std::string SubtitleCodec;
  std::string SubtitlePreset;
  bool DisableSubtitle = false;
  std::string SubtitleLanguage;
  bool InputSync = false;
  bool CopyTimestamps = false;
  int64_t StartTime = kNoPtsValue;      // µs
  int64_t RecordingTime = kNoPtsValue;  // µs
  TStreamInfo Metadata;
  int TargetType = 0;   // 0 none, 1 vcd, 2 svcd, 3 dvd
  int NormType = 0;     // 1 pal, 2 ntsc, otherwise auto
  int NormDefault = 1;  // norm when auto finds none: 1 pal, otherwise ntsc
  bool AudioHook = false;
  bool VideoInputHook = false;
  bool VideoOutputHook = false;
  int VideoHookBitsPixel = 24;  // 8, 15, 16, 24 or 32
  bool JoinFiles = false;
  std::string ExtOptions;  // extra options, see ParseExtOptions (records_to_options.h)
};

// End of a task (OnTerminate); TaskIndex -1 once all tasks have ended.
struct TTerminateInfo {
  int TaskIndex = 0;
  bool Finished = false;
  bool Exception = false;
  std::string ExceptionMsg;
};

// A picture of a task for OnPreviewBitmap.
struct TPreviewInfo {
  int TaskIndex = 0;
  const TBitmap* Bitmap = nullptr;
  int FrameNumber = 0;  // 1-based output frame number
  int64_t PTS = 0;      // µs
};

// --- Text form of the option records' fields ---------------------------------------------------
//
// Numbers are decimal, booleans "true" or "false", texts as they are except that a backslash,
// a carriage return and a line feed are written "\\", "\r" and "\n" (so a value stays on one
// line). Reading accepts the same form; booleans also as 1 or 0, in any case.

enum class TFieldType { Text, Integer, Int64, Single, Double, Boolean };

template <class Record>
struct TOptionField {
  const char* Name;  // the field's name; "Metadata.Title" for the fields of TStreamInfo
  TFieldType Type;
  std::string (*Get)(const Record& record);
  // False when the text is no value of the field's type; the record is then unchanged.
  bool (*Set)(Record& record, std::string_view text);
};

using TInputField = TOptionField<TInputOptions>;
using TOutputField = TOptionField<TOutputOptions>;

// Every field in the order of the record (the order in which the encoder applies them); the
// fields of TOutputOptions::Metadata stand at its place.
std::span<const TInputField> InputOptionFields();
std::span<const TOutputField> OutputOptionFields();

// The field of that name (letter case ignored), or nullptr.
const TInputField* FindInputField(std::string_view name);
const TOutputField* FindOutputField(std::string_view name);

// The field's value differs from the one of a freshly initialised record.
bool FieldDiffers(const TInputField& field, const TInputOptions& record);
bool FieldDiffers(const TOutputField& field, const TOutputOptions& record);

// "Name=value" for every field that differs from its initial value, in field order.
std::vector<std::string> ChangedFieldLines(const TInputOptions& record);
std::vector<std::string> ChangedFieldLines(const TOutputOptions& record);

// Sets one field from "Name=Value". False with a message in `error` for an unknown name, a
// missing "=" or a value that does not fit the field.
bool AssignField(TInputOptions& record, std::string_view assignment, std::string* error);
bool AssignField(TOutputOptions& record, std::string_view assignment, std::string* error);

// The text form of a text value and back (see above).
std::string EscapeFieldText(std::string_view text);
std::string UnescapeFieldText(std::string_view text);

}  // namespace tallowin::media
