// The quality types and the preference order: names, descriptions, extensions, the order kept
// in the eight settings fields, and how numbers outside 0 to 7 from an edited settings file are
// named and completed.
#include <gtest/gtest.h>

#include "download/quality.h"
#include "shell/ini_file.h"
#include "shell/user_settings.h"

namespace tallowin::download {
namespace {

const char* const kShortNames[] = {"[HQ6]",  "[HQ18]", "[HQ35]", "[HQ22]",
                                   "[HQ13]", "[HQ17]", "[HQ34]", "[HQ37]"};

TGlobalVars WithOrder(const TPreferenceOrder& order) {
  TGlobalVars vars;
  StorePreferenceOrder(vars, order);
  return vars;
}

TEST(Quality, TypesHaveTheirItagNameAndExtension) {
  const int itags[] = {6, 18, 35, 22, 13, 17, 34, 37};
  const char* const extensions[] = {".flv", ".mp4", ".flv", ".mp4", ".3gp", ".3gp", ".flv", ".mp4"};
  for (int type = 0; type < kQualityTypeCount; ++type) {
    SCOPED_TRACE(type);
    EXPECT_EQ(QualityShortName(type), kShortNames[type]);
    EXPECT_EQ(ItagForType(type), itags[type]);
    EXPECT_EQ(TypeForItag(itags[type]), type);
    EXPECT_EQ(ExtensionForType(type), extensions[type]);
    // The description starts with the short name and names the same container.
    const std::string description = QualityDescription(kShortNames[type]);
    EXPECT_EQ(description.rfind(std::string(kShortNames[type]) + " - (", 0), 0u) << description;
  }
  EXPECT_EQ(QualityDescription("[HQ22]"), "[HQ22] - (MP4(H.264), 1280 x 720, Stereo 44KHz AAC)");
  EXPECT_EQ(QualityDescription("[HQ13]"), "[HQ13] - (3GP, 176 x 144, Stereo 8KHz)");
}

TEST(Quality, UnknownNumbersAndNamesFallBackToTheDefaultQuality) {
  for (int type : {-1, 8, 9, 255}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(QualityShortName(type), kDefaultQualityText);
    EXPECT_EQ(ExtensionForType(type), ".flv");
    EXPECT_EQ(ItagForType(type), kDefaultItag);
    EXPECT_EQ(QualityTexts(type), nullptr);
  }
  EXPECT_EQ(TypeForItag(kDefaultItag), -1);
  EXPECT_EQ(TypeForItag(43), -1);
  // Only an exact short name has a description.
  for (const char* name : {"", "[hq18]", "[HQ18] ", "HQ18", "[HQ5]"})
    EXPECT_EQ(QualityDescription(name), kDefaultQualityText) << name;
  EXPECT_EQ(std::string(kDefaultQualityText),
            "[Default Quality - HQ5 - (FLV, 400 x 240, Mono 44KHz MP3)]");
}

TEST(Quality, DialogRowsAreReadBackByTheirShortName) {
  for (int type = 0; type < kQualityTypeCount; ++type)
    EXPECT_EQ(TypeForShortName(kShortNames[type]), type);
  EXPECT_EQ(TypeForShortName("[hq37]"), 0);
  EXPECT_EQ(TypeForShortName(kDefaultQualityText), 0);
  // The dialog's columns keep the texts users know, oddities included.
  EXPECT_STREQ(QualityTexts(0)->video, "480 x 36");
  EXPECT_STREQ(QualityTexts(7)->audio, "Stereo 44KHz AAC)");
  EXPECT_STREQ(QualityTexts(3)->format, "MP4(H.264)");
}

TEST(Quality, TheOrderLivesInTheEightFieldsWithTheEighthIn18) {
  TGlobalVars vars;
  StorePreferenceOrder(vars, kBestAvailableOrder);
  EXPECT_EQ(vars.PreferYouTube1, 7);
  EXPECT_EQ(vars.PreferYouTube7, 4);
  EXPECT_EQ(vars.PreferYouTube18, 5);
  EXPECT_EQ(PreferenceOrder(vars), kBestAvailableOrder);
  EXPECT_EQ(TypeAtPosition(vars, 1), 7);
  EXPECT_EQ(TypeAtPosition(vars, 8), 5);
  EXPECT_EQ(TypeAtPosition(vars, 0), -1);
  EXPECT_EQ(TypeAtPosition(vars, 9), -1);
}

TEST(Quality, PositionsAreNamedByTheTypeStoredThere) {
  const TGlobalVars vars = WithOrder({0, 1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(PreferenceName(vars, 0), kDefaultQualityText);
  EXPECT_EQ(PreferenceName(vars, 1), "[HQ6]");
  EXPECT_EQ(PreferenceName(vars, 8), "[HQ37]");
  EXPECT_EQ(PreferenceName(vars, 9), "");
  EXPECT_EQ(PreferenceName(vars, -1), "");
  EXPECT_EQ(ExtensionForPosition(vars, 0), ".flv");
  EXPECT_EQ(ExtensionForPosition(vars, 2), ".mp4");
  EXPECT_EQ(ExtensionForPosition(vars, 5), ".3gp");
  EXPECT_EQ(ExtensionForPosition(vars, 8), ".mp4");
  EXPECT_EQ(ExtensionForPosition(vars, 9), ".flv");
  EXPECT_EQ(ExtensionForPosition(vars, -3), ".flv");
}

TEST(Quality, SummaryLineFollowsTheBoxAndTheOrder) {
  const TGlobalVars start = WithOrder(kDefaultOrder);
  EXPECT_EQ(PreferenceSummary(false, start), kDefaultQualityText);
  EXPECT_EQ(PreferenceSummary(true, start),
            "Prefer: [HQ18] > [HQ35] > [HQ22] > [HQ6] > [HQ13] > [HQ17] > [HQ34] > [HQ37]");
  EXPECT_EQ(PreferenceSummary(true, WithOrder(kBestAvailableOrder)),
            "Prefer: [HQ37] > [HQ22] > [HQ35] > [HQ18] > [HQ6] > [HQ34] > [HQ13] > [HQ17]");
}

TEST(Quality, CompleteOrderHoldsEveryTypeOnce) {
  EXPECT_EQ(CompleteOrder(kBestAvailableOrder), kBestAvailableOrder);
  // Invalid entries are dropped and the missing types follow in the default order.
  EXPECT_EQ(CompleteOrder({9, 7, -1, 0, 255, 3, 8, 1}), (TPreferenceOrder{7, 0, 3, 1, 2, 4, 5, 6}));
  // A repeat counts once, at its first place.
  EXPECT_EQ(CompleteOrder({5, 5, 5, 2, 2, 9, 9, 9}), (TPreferenceOrder{5, 2, 1, 3, 0, 4, 6, 7}));
  EXPECT_EQ(CompleteOrder({-1, -1, -1, -1, -1, -1, -1, -1}), kDefaultOrder);
}

TEST(Quality, EditedSettingsWithNumbersOutsideTheRange) {
  // 9 and -1 in two positions of the settings file: the fields keep their low byte (9, 255),
  // are named as the default quality, give ".flv", and complete to all eight types.
  IniFile ini;
  TGlobalVars vars = WithOrder(kDefaultOrder);
  WriteSettingsSection(vars, ini);
  ini.WriteInteger(kSettingsSection, "PreferYouTube2", 9);
  ini.WriteInteger(kSettingsSection, "PreferYouTube18", -1);
  ReadSettingsSection(ini, vars);
  EXPECT_EQ(PreferenceOrder(vars), (TPreferenceOrder{1, 9, 3, 0, 4, 5, 6, 255}));
  EXPECT_EQ(PreferenceName(vars, 2), kDefaultQualityText);
  EXPECT_EQ(PreferenceName(vars, 8), kDefaultQualityText);
  EXPECT_EQ(ExtensionForPosition(vars, 8), ".flv");
  EXPECT_EQ(PreferenceSummary(true, vars), std::string("Prefer: [HQ18] > ") + kDefaultQualityText +
                                               " > [HQ22] > [HQ6] > [HQ13] > [HQ17] > [HQ34] > " +
                                               kDefaultQualityText);
  EXPECT_EQ(CompleteOrder(PreferenceOrder(vars)), (TPreferenceOrder{1, 3, 0, 4, 5, 6, 2, 7}));
}

}  // namespace
}  // namespace tallowin::download
