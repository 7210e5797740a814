#include "media/components/encoder_records.h"

#include <charconv>
#include <cmath>
#include <type_traits>

#include "common/ascii_text.h"

namespace tallowin::media {
namespace {

// --- Values as text -----------------------------------------------------------------------------

std::string Format(const std::string& value) {
  return EscapeFieldText(value);
}
std::string Format(bool value) {
  return value ? "true" : "false";
}
std::string Format(int value) {
  return std::to_string(value);
}
std::string Format(int64_t value) {
  return std::to_string(value);
}

template <class Float>
std::string FormatFloat(Float value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}
std::string Format(float value) {
  return FormatFloat(value);
}
std::string Format(double value) {
  return FormatFloat(value);
}

bool Parse(std::string_view text, std::string& out) {
  out = UnescapeFieldText(text);
  return true;
}

bool Parse(std::string_view text, bool& out) {
  text = TrimControls(text);
  if (SameTextAscii(text, "true") || text == "1") {
    out = true;
    return true;
  }
  if (SameTextAscii(text, "false") || text == "0") {
    out = false;
    return true;
  }
  return false;
}

template <class Number>
bool ParseNumber(std::string_view text, Number& out) {
  text = TrimControls(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  Number value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  if constexpr (std::is_floating_point_v<Number>) {
    if (!std::isfinite(value)) return false;
  }
  out = value;
  return true;
}
bool Parse(std::string_view text, int& out) {
  return ParseNumber(text, out);
}
bool Parse(std::string_view text, int64_t& out) {
  return ParseNumber(text, out);
}
bool Parse(std::string_view text, float& out) {
  return ParseNumber(text, out);
}
bool Parse(std::string_view text, double& out) {
  return ParseNumber(text, out);
}

template <class T>
constexpr TFieldType TypeOf() {
  if constexpr (std::is_same_v<T, std::string>) return TFieldType::Text;
  if constexpr (std::is_same_v<T, bool>) return TFieldType::Boolean;
  if constexpr (std::is_same_v<T, int>) return TFieldType::Integer;
  if constexpr (std::is_same_v<T, int64_t>) return TFieldType::Int64;
  if constexpr (std::is_same_v<T, float>) return TFieldType::Single;
  if constexpr (std::is_same_v<T, double>) return TFieldType::Double;
}

// --- Field table rows ---------------------------------------------------------------------------

template <class Record, auto Member>
std::string GetMember(const Record& record) {
  return Format(record.*Member);
}

template <class Record, auto Member>
bool SetMember(Record& record, std::string_view text) {
  return Parse(text, record.*Member);
}

template <class Record, auto Member>
constexpr TOptionField<Record> MakeField(const char* name) {
  using T = std::remove_cvref_t<decltype(std::declval<Record&>().*Member)>;
  return {name, TypeOf<T>(), &GetMember<Record, Member>, &SetMember<Record, Member>};
}

template <auto Member>
std::string GetMetadata(const TOutputOptions& record) {
  return Format(record.Metadata.*Member);
}

template <auto Member>
bool SetMetadata(TOutputOptions& record, std::string_view text) {
  return Parse(text, record.Metadata.*Member);
}

template <auto Member>
constexpr TOutputField MakeMetadataField(const char* name) {
  using T = std::remove_cvref_t<decltype(std::declval<TStreamInfo&>().*Member)>;
  return {name, TypeOf<T>(), &GetMetadata<Member>, &SetMetadata<Member>};
}

#define TALLOWIN_IN(name) MakeField<TInputOptions, &TInputOptions::name>(#name)
#define TALLOWIN_OUT(name) MakeField<TOutputOptions, &TOutputOptions::name>(#name)
#define TALLOWIN_META(name) MakeMetadataField<&TStreamInfo::name>("Metadata." #name)

const TInputField kInputFields[] = {
    TALLOWIN_IN(FileName),  TALLOWIN_IN(FileFormat), TALLOWIN_IN(StartTime),
    TALLOWIN_IN(ProgramID), TALLOWIN_IN(ExtOptions),
};

const TOutputField kOutputFields[] = {
    TALLOWIN_OUT(FileName),
    TALLOWIN_OUT(FileExt),
    TALLOWIN_OUT(FileFormat),
    TALLOWIN_OUT(PacketSize),
    TALLOWIN_OUT(MuxRate),
    TALLOWIN_OUT(MuxDelay),
    TALLOWIN_OUT(MuxPreload),
    TALLOWIN_OUT(AudioCodec),
    TALLOWIN_OUT(AudioPreset),
    TALLOWIN_OUT(DisableAudio),
    TALLOWIN_OUT(AudioVolume),
    TALLOWIN_OUT(AudioChannels),
    TALLOWIN_OUT(AudioSampleRate),
    TALLOWIN_OUT(AudioBitrate),
    TALLOWIN_OUT(AudioBitrateTolerance),
    TALLOWIN_OUT(AudioLanguage),
    TALLOWIN_OUT(AudioSync),
    TALLOWIN_OUT(AudioTag),
    TALLOWIN_OUT(VideoCodec),
    TALLOWIN_OUT(VideoPreset),
    TALLOWIN_OUT(DisableVideo),
    TALLOWIN_OUT(FrameRate),
    TALLOWIN_OUT(FrameSize),
    TALLOWIN_OUT(FrameAspectRatio),
    TALLOWIN_OUT(GopSize),
    TALLOWIN_OUT(VideoBitrate),
    TALLOWIN_OUT(VideoMaxRate),
    TALLOWIN_OUT(VideoMinRate),
    TALLOWIN_OUT(VideoBitrateTolerance),
    TALLOWIN_OUT(VideoBufSize),
    TALLOWIN_OUT(VideoSync),
    TALLOWIN_OUT(VideoTag),
    TALLOWIN_OUT(VideoFilters),
    TALLOWIN_OUT(VideoLanguage),
    TALLOWIN_OUT(SubtitleCodec),
    TALLOWIN_OUT(SubtitlePreset),
    TALLOWIN_OUT(DisableSubtitle),
    TALLOWIN_OUT(SubtitleLanguage),
    TALLOWIN_OUT(InputSync),
    TALLOWIN_OUT(CopyTimestamps),
    TALLOWIN_OUT(StartTime),
    TALLOWIN_OUT(RecordingTime),
    TALLOWIN_META(Timestamp),
    TALLOWIN_META(Year),
    TALLOWIN_META(Track),
    TALLOWIN_META(Title),
    TALLOWIN_META(Author),
    TALLOWIN_META(Copyright),
    TALLOWIN_META(Comment),
    TALLOWIN_META(Album),
    TALLOWIN_META(Genre),
    TALLOWIN_OUT(TargetType),
    TALLOWIN_OUT(NormType),
    TALLOWIN_OUT(NormDefault),
    TALLOWIN_OUT(AudioHook),
    TALLOWIN_OUT(VideoInputHook),
    TALLOWIN_OUT(VideoOutputHook),
    TALLOWIN_OUT(VideoHookBitsPixel),
    TALLOWIN_OUT(JoinFiles),
    TALLOWIN_OUT(ExtOptions),
};

#undef TALLOWIN_IN
#undef TALLOWIN_OUT
#undef TALLOWIN_META

template <class Record>
const TOptionField<Record>* FindIn(std::span<const TOptionField<Record>> fields,
                                   std::string_view name) {
  for (const auto& field : fields)
    if (SameTextAscii(field.Name, name)) return &field;
  return nullptr;
}

template <class Record>
std::vector<std::string> ChangedLines(std::span<const TOptionField<Record>> fields,
                                      const Record& record) {
  const Record initial{};
  std::vector<std::string> lines;
  for (const auto& field : fields) {
    std::string value = field.Get(record);
    if (value != field.Get(initial)) lines.push_back(std::string(field.Name) + "=" + value);
  }
  return lines;
}

template <class Record>
bool Assign(std::span<const TOptionField<Record>> fields, Record& record,
            std::string_view assignment, std::string* error) {
  size_t equals = assignment.find('=');
  if (equals == std::string_view::npos) {
    if (error) *error = "expected Field=Value, got \"" + std::string(assignment) + "\"";
    return false;
  }
  std::string_view name = TrimControls(assignment.substr(0, equals));
  std::string_view value = assignment.substr(equals + 1);
  const TOptionField<Record>* field = FindIn(fields, name);
  if (!field) {
    if (error) *error = "unknown field \"" + std::string(name) + "\"";
    return false;
  }
  if (!field->Set(record, value)) {
    if (error)
      *error = "invalid value for " + std::string(field->Name) + ": \"" + std::string(value) + "\"";
    return false;
  }
  return true;
}

}  // namespace

std::string EscapeFieldText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string UnescapeFieldText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char next = text[i + 1];
      if (next == '\\' || next == 'r' || next == 'n') {
        out += next == 'r' ? '\r' : next == 'n' ? '\n' : '\\';
        ++i;
        continue;
      }
    }
    out += text[i];  // any other backslash stays as it is
  }
  return out;
}

std::span<const TInputField> InputOptionFields() {
  return kInputFields;
}
std::span<const TOutputField> OutputOptionFields() {
  return kOutputFields;
}

const TInputField* FindInputField(std::string_view name) {
  return FindIn(InputOptionFields(), name);
}
const TOutputField* FindOutputField(std::string_view name) {
  return FindIn(OutputOptionFields(), name);
}

bool FieldDiffers(const TInputField& field, const TInputOptions& record) {
  return field.Get(record) != field.Get(TInputOptions{});
}
bool FieldDiffers(const TOutputField& field, const TOutputOptions& record) {
  return field.Get(record) != field.Get(TOutputOptions{});
}

std::vector<std::string> ChangedFieldLines(const TInputOptions& record) {
  return ChangedLines(InputOptionFields(), record);
}
std::vector<std::string> ChangedFieldLines(const TOutputOptions& record) {
  return ChangedLines(OutputOptionFields(), record);
}

bool AssignField(TInputOptions& record, std::string_view assignment, std::string* error) {
  return Assign(InputOptionFields(), record, assignment, error);
}
bool AssignField(TOutputOptions& record, std::string_view assignment, std::string* error) {
  return Assign(OutputOptionFields(), record, assignment, error);
}

}  // namespace tallowin::media
