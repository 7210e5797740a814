#include "convert/preset_catalogue.h"

#include <string_view>

#include "convert/output_formats.h"
#include "convert/preset_tables.h"

namespace tallowin::convert {

// clang-format off
const char H264OptionsLevel30[] =
    "flags=+loop\r\n"
    "cmp=+chroma\r\n"
    "deblockalpha=0\r\n"
    "deblockbeta=0\r\n"
    "crf=24\r\n"
    "refs=1\r\n"
    "coder=0\r\n"
    "me_range=16\r\n"
    "subq=5\r\n"
    "partitions=+parti4x4+parti8x8+partp8x8\r\n"
    "g=250\r\n"
    "keyint_min=25\r\n"
    "level=30\r\n"
    "qmin=10\r\n"
    "qmax=51\r\n"
    "trellis=2\r\n"
    "sc_threshold=40\r\n"
    "i_qfactor=0.71\r\n";

const char H264OptionsLevel21[] =
    "flags=+loop\r\n"
    "cmp=+chroma\r\n"
    "partitions=+parti4x4+partp8x8+partb8x8\r\n"
    "me_method=umh\r\n"
    "subq=5\r\n"
    "trellis=1\r\n"
    "refs=2\r\n"
    "bf=1\r\n"
    "coder=1\r\n"
    "me_range=16\r\n"
    "g=300\r\n"
    "keyint_min=25\r\n"
    "sc_threshold=40\r\n"
    "i_qfactor=0.71\r\n"
    "bt=64k\r\n"
    "maxrate=4M\r\n"
    "bufsize=4M\r\n"
    "rc_eq='blurCplx^(1-qComp)'\r\n"
    "qcomp=0.6\r\n"
    "qmin=10\r\n"
    "qmax=51\r\n"
    "qdiff=4\r\n"
    "level=21";
// clang-format on

namespace {

std::vector<TPresetTable> AllTables() {
  std::vector<TPresetTable> tables;
  for (auto part : {&VideoPresetTables, &DevicePresetTables, &AudioPresetTables})
    for (const TPresetTable& table : part()) tables.push_back(table);
  return tables;
}

// Sets one cell: every field named in the column gets the value; an empty value sets nothing.
void ApplyCell(media::TOutputOptions& options, std::string_view column, std::string_view value,
               TPresetJob job, const TPresetInput& input) {
  if (value.empty()) return;
  std::string text(value);
  if (value == kInputAudioBitrate) {
    if (job != TPresetJob::PerFile) return;
    // A bit rate the decoder does not know (0) means no audio bit rate to copy.
    text = std::to_string(input.AudioBitrate > 0 ? input.AudioBitrate : -1);
  }
  while (!column.empty()) {
    size_t comma = column.find(',');
    std::string_view name = column.substr(0, comma);
    column = comma == std::string_view::npos ? std::string_view() : column.substr(comma + 1);
    // The tables are checked by the tests: every column names a field, every cell fits it.
    if (const media::TOutputField* field = media::FindOutputField(name)) field->Set(options, text);
  }
}

}  // namespace

std::span<const TPresetTable> PresetTables() {
  static const std::vector<TPresetTable> tables = AllTables();
  return tables;
}

const TPresetTable* FindPresetTable(int format_class, int format) {
  for (const TPresetTable& table : PresetTables())
    if (table.Class == format_class && table.Format == format) return &table;
  return nullptr;
}

int PresetCount(int format_class, int format) {
  const TPresetTable* table = FindPresetTable(format_class, format);
  return table ? static_cast<int>(table->Rows.size()) : 0;
}

media::TOutputOptions PresetOutputOptions(int format_class, int format, int preset, TPresetJob job,
                                          const TPresetInput& input) {
  media::TOutputOptions options;
  if (format_class == kFormatClassAudio) options.DisableVideo = true;
  if (format_class == kFormatClassVideo || format_class == kFormatClassDevice)
    options.DisableVideo = false;
  const TPresetTable* table = FindPresetTable(format_class, format);
  if (!table) return options;
  for (const TPresetSetting& setting : table->Common)
    ApplyCell(options, setting.Field, setting.Value, job, input);
  if (preset < 0 || static_cast<size_t>(preset) >= table->Rows.size()) return options;
  const TPresetRow& row = table->Rows[static_cast<size_t>(preset)];
  for (size_t i = 0; i < table->Columns.size() && i < std::size(row.Values) && row.Values[i]; ++i)
    ApplyCell(options, table->Columns[i], row.Values[i], job, input);
  return options;
}

std::vector<TPresetList> FillPresetLists() {
  std::vector<TPresetList> lists;
  for (const TOutputFormat& format : OutputFormats()) {
    TPresetList list{format.Class, format.Index, {}};
    if (const TPresetTable* table = FindPresetTable(format.Class, format.Index))
      for (const TPresetRow& row : table->Rows) list.Descriptions.push_back(row.Description);
    lists.push_back(std::move(list));
  }
  return lists;
}

}  // namespace tallowin::convert
