#include "download/quality.h"

#include <algorithm>

namespace tallowin::download {

const char kDefaultQualityText[] = "[Default Quality - HQ5 - (FLV, 400 x 240, Mono 44KHz MP3)]";

namespace {

struct TQualityType {
  int itag;
  const char* extension;
  TQualityTexts texts;
};

// Indexed by quality type. The dialog's texts are the ones the users of the design know,
// oddities included ("480 x 36", the stray ")").
constexpr std::array<TQualityType, kQualityTypeCount> kTypes{{
    {6,
     ".flv",
     {"[HQ6]", "[HQ6] - (FLV, 480 x 360, Mono 44KHz MP3)", "FLV", "480 x 36", "Mono 44KHz MP3"}},
    {18,
     ".mp4",
     {"[HQ18]", "[HQ18] - (MP4(H.264), 640 x 360, Stereo 44KHz AAC)", "MP4(H.264)", "640 x 360",
      "Stereo 44KHz AAC"}},
    {35,
     ".flv",
     {"[HQ35]", "[HQ35] - (FLV, 854 x 480, Stereo 44KHz AAC)", "FLV", "854 x 480",
      "Stereo 44KHz AAC"}},
    {22,
     ".mp4",
     {"[HQ22]", "[HQ22] - (MP4(H.264), 1280 x 720, Stereo 44KHz AAC)", "MP4(H.264)", "1280x720",
      "Stereo 44KHz AAC"}},
    {13,
     ".3gp",
     {"[HQ13]", "[HQ13] - (3GP, 176 x 144, Stereo 8KHz)", "3GP", "176x144", "Stereo 8KHz"}},
    {17,
     ".3gp",
     {"[HQ17]", "[HQ17] - (3GP, 176 x 144, Stereo 44KHz AAC)", "3GP", "176x144",
      "Stereo 44KHz AAC"}},
    {34,
     ".flv",
     {"[HQ34]", "[HQ34] - (FLV, 640 x 360, Stereo 44KHz AAC)", "FLV", "640 x 360",
      "Stereo 44KHz AAC)"}},
    {37,
     ".mp4",
     {"[HQ37]", "[HQ37] - (MP4(H.264), 1920 x 1080, Stereo 44KHz AAC)", "MP4(H.264)", "1920x1080",
      "Stereo 44KHz AAC)"}},
}};

}  // namespace

bool IsQualityType(int type) {
  return type >= 0 && type < kQualityTypeCount;
}

int ItagForType(int type) {
  return IsQualityType(type) ? kTypes[type].itag : kDefaultItag;
}

int TypeForItag(int itag) {
  for (int type = 0; type < kQualityTypeCount; ++type)
    if (kTypes[type].itag == itag) return type;
  return -1;
}

const TQualityTexts* QualityTexts(int type) {
  return IsQualityType(type) ? &kTypes[type].texts : nullptr;
}

std::string QualityShortName(int type) {
  return IsQualityType(type) ? kTypes[type].texts.short_name : kDefaultQualityText;
}

std::string QualityDescription(const std::string& short_name) {
  for (const TQualityType& type : kTypes)
    if (short_name == type.texts.short_name) return type.texts.description;
  return kDefaultQualityText;
}

std::string ExtensionForType(int type) {
  return IsQualityType(type) ? kTypes[type].extension : ".flv";
}

int TypeForShortName(const std::string& short_name) {
  for (int type = 1; type < kQualityTypeCount; ++type)
    if (short_name == kTypes[type].texts.short_name) return type;
  return 0;
}

TPreferenceOrder PreferenceOrder(const TGlobalVars& vars) {
  return {vars.PreferYouTube1, vars.PreferYouTube2, vars.PreferYouTube3, vars.PreferYouTube4,
          vars.PreferYouTube5, vars.PreferYouTube6, vars.PreferYouTube7, vars.PreferYouTube18};
}

void StorePreferenceOrder(TGlobalVars& vars, const TPreferenceOrder& order) {
  uint8_t* const fields[] = {&vars.PreferYouTube1, &vars.PreferYouTube2, &vars.PreferYouTube3,
                             &vars.PreferYouTube4, &vars.PreferYouTube5, &vars.PreferYouTube6,
                             &vars.PreferYouTube7, &vars.PreferYouTube18};
  for (int i = 0; i < kPreferenceCount; ++i) *fields[i] = static_cast<uint8_t>(order[i]);
}

TPreferenceOrder CompleteOrder(const TPreferenceOrder& order) {
  TPreferenceOrder complete{};
  std::array<bool, kQualityTypeCount> taken{};
  int count = 0;
  const auto take = [&](int type) {
    if (!IsQualityType(type) || taken[type]) return;
    taken[type] = true;
    complete[count++] = type;
  };
  for (int type : order) take(type);
  for (int type : kDefaultOrder) take(type);
  return complete;
}

int TypeAtPosition(const TGlobalVars& vars, int position) {
  if (position < 1 || position > kPreferenceCount) return -1;
  return PreferenceOrder(vars)[position - 1];
}

std::string PreferenceName(const TGlobalVars& vars, int position) {
  if (position == 0) return kDefaultQualityText;
  if (position < 1 || position > kPreferenceCount) return {};
  return QualityShortName(TypeAtPosition(vars, position));
}

std::string ExtensionForPosition(const TGlobalVars& vars, int position) {
  if (position < 1 || position > kPreferenceCount) return ".flv";
  return ExtensionForType(TypeAtPosition(vars, position));
}

std::string PreferenceSummary(bool prefer, const TGlobalVars& vars) {
  if (!prefer) return kDefaultQualityText;
  std::string line = "Prefer: ";
  for (int position = 1; position <= kPreferenceCount; ++position) {
    if (position > 1) line += " > ";
    line += QualityShortName(TypeAtPosition(vars, position));
  }
  return line;
}

}  // namespace tallowin::download
