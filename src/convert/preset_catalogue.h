// The compiled-in preset catalogue: for every output format an ordered list of presets, each a
// description and the output settings that a conversion job gets when the user picks it.
//
// The tables are constant data (preset_audio.cpp, preset_video.cpp, preset_device.cpp): per
// format the settings common to all its rows, the columns (fields of TOutputOptions) and one row
// per preset with its description and one text value per column, in the text form of the field
// table (media/components/encoder_records.h). An empty cell leaves the field at its initial value.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "media/components/encoder_records.h"

namespace tallowin::convert {

// The x264 tuning lists that several H.264 presets share, one name=value a line, lines joined by
// CR LF (Level30 with a line break after its last line, Level21 without).
extern const char H264OptionsLevel30[];
extern const char H264OptionsLevel21[];

// A cell value that takes the audio bit rate of a per-file job's input; a merged job leaves the
// field unset.
inline constexpr char kInputAudioBitrate[] = "<input audio bit rate>";

struct TPresetSetting {
  const char* Field;  // a field of TOutputOptions
  const char* Value;
};

// The most columns a table has.
inline constexpr int kMaxPresetColumns = 12;

struct TPresetRow {
  const char* Description;                // shown in the preset list, exactly as written
  const char* Values[kMaxPresetColumns];  // one per column of the table; "" = not set
};

struct TPresetTable {
  int Class;
  int Format;
  std::span<const TPresetSetting> Common;  // set for every row, before the row's own cells
  // Fields of TOutputOptions; "VideoMaxRate,VideoMinRate" sets both fields from one cell.
  std::span<const char* const> Columns;
  std::span<const TPresetRow> Rows;
};

// Every format's table, in the order of OutputFormats().
std::span<const TPresetTable> PresetTables();
// nullptr for a class or format outside the tables.
const TPresetTable* FindPresetTable(int format_class, int format);
// Number of presets of a format; 0 outside the tables.
int PresetCount(int format_class, int format);

// Facts of a per-file job's input that a preset takes over, as the decoder reports them.
struct TPresetInput {
  int AudioBitrate = -1;  // codec bit rate of the first audio stream; -1 without one
};

enum class TPresetJob { PerFile, Merged };

// The output options of a job for the selected class, format and preset index. Video is disabled
// for the audio class. An index outside the format's list gives only the format's common
// settings; a class or format outside the tables gives no preset settings at all. File name and
// extension are left to the caller.
media::TOutputOptions PresetOutputOptions(int format_class, int format, int preset, TPresetJob job,
                                          const TPresetInput& input = {});

// The items of one format's preset list: item i is preset i.
struct TPresetList {
  int Class;
  int Format;
  std::vector<std::string> Descriptions;
};

// The preset lists of every format, in the order of OutputFormats().
std::vector<TPresetList> FillPresetLists();

}  // namespace tallowin::convert
