// The video service's quality types and the user's preference order: the stream identifier
// ("itag"), short name, long description, dialog texts and file extension of each type, and the
// texts by which the preference positions are named. Plain functions without widgets, shared by
// the Step5 page, the quality dialog, the download queue and the command line.
//
// A quality type is a number from 0 to 7; the default quality (itag 5) lies outside that range.
// Preference positions count from 1 to 8 (position 0 stands for the default quality).
#pragma once

#include <array>
#include <string>

#include "shell/global_vars.h"

namespace tallowin::download {

// The default quality's text; also the name of any unknown type.
extern const char kDefaultQualityText[];
constexpr int kDefaultItag = 5;
constexpr int kPreferenceCount = kQualityTypeCount;

// A preference order: the quality type stored at positions 1 to 8 (index 0 is position 1).
// Stored numbers are kept as read (an edited settings file may hold values outside 0 to 7).
using TPreferenceOrder = std::array<int, kPreferenceCount>;
constexpr TPreferenceOrder kDefaultOrder{1, 2, 3, 0, 4, 5, 6, 7};
constexpr TPreferenceOrder kBestAvailableOrder{7, 3, 2, 1, 0, 6, 4, 5};

struct TQualityTexts {
  const char* short_name;   // "[HQ18]"
  const char* description;  // "[HQ18] - (MP4(H.264), 640 x 360, Stereo 44KHz AAC)"
  const char* format;       // the dialog's columns
  const char* video;
  const char* audio;
};

bool IsQualityType(int type);
// The type's itag (6, 18, 35, 22, 13, 17, 34, 37), or kDefaultItag for any other number.
int ItagForType(int type);
// The type whose itag this is; -1 for the default quality's itag and every unknown one.
int TypeForItag(int itag);
// The texts of a type; nullptr outside 0 to 7.
const TQualityTexts* QualityTexts(int type);

std::string QualityShortName(int type);
// The long description for exactly one of the eight short names, else the default's text.
std::string QualityDescription(const std::string& short_name);
// ".flv", ".mp4" or ".3gp"; ".flv" outside 0 to 7.
std::string ExtensionForType(int type);
// The type a short name stands for when the dialog's list is read back: 1 to 7 by name, 0 for
// "[HQ6]" and anything else.
int TypeForShortName(const std::string& short_name);

// The order stored in PreferYouTube1 ... PreferYouTube7, PreferYouTube18.
TPreferenceOrder PreferenceOrder(const TGlobalVars& vars);
void StorePreferenceOrder(TGlobalVars& vars, const TPreferenceOrder& order);
// Each of the eight types exactly once, in the order given: entries outside 0 to 7 and repeats
// are dropped, and the missing types are appended in the default order.
TPreferenceOrder CompleteOrder(const TPreferenceOrder& order);

// The type stored at position 1 to 8, else -1.
int TypeAtPosition(const TGlobalVars& vars, int position);
// 0: the default quality's text; 1 to 8: the short name of the type stored there; else "".
std::string PreferenceName(const TGlobalVars& vars, int position);
// ".flv" for 0 and numbers outside 1 to 8; else the extension of the type stored there.
std::string ExtensionForPosition(const TGlobalVars& vars, int position);
// The Step5 summary line: the default's text when `prefer` is false, else
// "Prefer: [HQ18] > [HQ35] > ..." with the short names of positions 1 to 8.
std::string PreferenceSummary(bool prefer, const TGlobalVars& vars);

}  // namespace tallowin::download
