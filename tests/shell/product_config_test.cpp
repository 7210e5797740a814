#include "shell/product_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "scoped_env.h"
#include "shell/config_codec.h"
#include "shell/util_funcs.h"
#include "support/test_support.h"

namespace tallowin {
namespace {

using test::ReadFile;
using test::ScopedEnv;
using test::SourceDir;
using test::TempDir;
using test::WriteFile;

// A valid configuration with every integer key; `extra` lines override (first key wins, so they
// go before the defaults).
IniFile Config(const std::string& extra) {
  return IniFile::FromText("[SYSTEM]\n" + extra +
                           "\nName=T\nSkin=0\nDefaultVideo=1\nDefaultDevice=2\nDefaultAudio=3\n"
                           "DefaultClass=1\n");
}

TEST(ProductConfig, BooleansAreTrueOnlyForTrueAndYes) {
  TGlobalVars vars;
  ReadProductConfiguration(Config("Download=true\nMerge=Yes\nMP3=True\nAVI=1\nWAV=TRUE"), vars);
  EXPECT_FALSE(vars.DownloadEnabled);
  EXPECT_TRUE(vars.MergeEnabled);
  EXPECT_TRUE(vars.AudioFormatEnabled[1]);
  EXPECT_FALSE(vars.VideoFormatEnabled[0]);
  EXPECT_FALSE(vars.AudioFormatEnabled[0]);
}

TEST(ProductConfig, EveryKeyLandsInItsField) {
  TGlobalVars vars;
  ReadProductConfiguration(
      Config("Version=2.5\nCopyright=(C) us\nResFolder=skin1\nSkin=2\n"
             "HelpContectLink=h1\nHelpHowTosTutorialVideosLink=h2\nHelpHomePageLink=h3\n"
             "HelpMoreFreeToolsLink=h4\nHelpCheckForUpdatesLink=h5\nHelpSupportLink=h6\n"
             "IPAD=Yes\nANDROID=Yes\n3GP=Yes\nMOBILEPHONE=Yes\nMP2=Yes"),
      vars);
  EXPECT_EQ(vars.AppTitle, "T");
  EXPECT_EQ(vars.Version, "2.5");
  EXPECT_EQ(vars.Copyright, "(C) us");
  EXPECT_EQ(vars.Skin, 2);
  EXPECT_EQ(vars.ResFolder, "skin1");
  EXPECT_EQ(vars.ResourceDir, ExecutableDir() + "sounds/skin1/");
  EXPECT_EQ(vars.HelpContentLink, "h1");
  EXPECT_EQ(vars.HelpHowTosTutorialVideosLink, "h2");
  EXPECT_EQ(vars.HelpHomePageLink, "h3");
  EXPECT_EQ(vars.HelpMoreFreeToolsLink, "h4");
  EXPECT_EQ(vars.HelpCheckForUpdatesLink, "h5");
  EXPECT_EQ(vars.HelpSupportLink, "h6");
  EXPECT_TRUE(vars.DeviceFormatEnabled[6]);  // iPad
  EXPECT_TRUE(vars.DeviceFormatEnabled[7]);  // Android
  EXPECT_TRUE(vars.DeviceFormatEnabled[5]);  // MobilePhone
  EXPECT_TRUE(vars.VideoFormatEnabled[8]);   // 3GP
  EXPECT_TRUE(vars.AudioFormatEnabled[7]);   // MP2
  int enabled = 0;
  for (bool on : vars.VideoFormatEnabled) enabled += on;
  for (bool on : vars.DeviceFormatEnabled) enabled += on;
  for (bool on : vars.AudioFormatEnabled) enabled += on;
  EXPECT_EQ(enabled, 5);
  EXPECT_EQ(vars.DefaultVideo, 1);
  EXPECT_EQ(vars.DefaultDevice, 2);
  EXPECT_EQ(vars.DefaultAudio, 3);
  EXPECT_EQ(vars.DefaultClass, 1);
  ApplyDefaultSelection(vars);
  EXPECT_EQ(vars.OutputFormatClass, 1);
  EXPECT_EQ(vars.OutputVideoFormat, 1);
  EXPECT_EQ(vars.OutputDeviceFormat, 2);
  EXPECT_EQ(vars.OutputAudioFormat, 3);
}

TEST(ProductConfig, FormatFlagsCoverEveryButtonOnce) {
  int seen[3][9] = {};
  for (const FormatFlagKey& flag : kFormatFlagKeys) ++seen[flag.format_class][flag.index];
  for (int i = 0; i < kVideoFormatCount; ++i) EXPECT_EQ(seen[kClassVideo][i], 1) << i;
  for (int i = 0; i < kDeviceFormatCount; ++i) EXPECT_EQ(seen[kClassDevice][i], 1) << i;
  for (int i = 0; i < kAudioFormatCount; ++i) EXPECT_EQ(seen[kClassAudio][i], 1) << i;
}

TEST(ProductConfig, DefaultClassOutsideTheThreeClassesIsVideo) {
  for (const char* value : {"3", "-1", "255", "0x101"}) {
    TGlobalVars vars;
    ReadProductConfiguration(Config(std::string("DefaultClass=") + value), vars);
    EXPECT_EQ(vars.DefaultClass, 0) << value;
  }
  TGlobalVars vars;
  ReadProductConfiguration(Config("DefaultClass=$2"), vars);
  EXPECT_EQ(vars.DefaultClass, 2);
  // The format indices are single bytes and not range-checked.
  ReadProductConfiguration(Config("DefaultVideo=258"), vars);
  EXPECT_EQ(vars.DefaultVideo, 2);
}

TEST(ProductConfig, MalformedIntegersFailWithTheStandardMessage) {
  TGlobalVars vars;
  try {
    ReadProductConfiguration(Config("Skin=zero"), vars);
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "'zero' is not a valid integer value");
  }
  // The order of reading decides which error is met first: Skin comes before DefaultVideo.
  try {
    ReadProductConfiguration(Config("DefaultVideo=x\nSkin=1.5"), vars);
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "'1.5' is not a valid integer value");
  }
  // A missing integer key is as bad as an empty value.
  IniFile no_skin = IniFile::FromText(
      "[SYSTEM]\nName=T\nDefaultVideo=0\nDefaultDevice=0\nDefaultAudio=0\nDefaultClass=0\n");
  try {
    ReadProductConfiguration(no_skin, vars);
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
  }
  EXPECT_THROW(ReadProductConfiguration(Config("DefaultClass=two"), vars), std::invalid_argument);
}

TEST(ProductConfig, AnySkinNumberIsKept) {
  TGlobalVars vars;
  ReadProductConfiguration(Config("Skin=7"), vars);
  EXPECT_EQ(vars.Skin, 7);
}

TEST(ProductConfig, EmptyResFolderIsTheSoundsFolder) {
  TGlobalVars vars;
  ReadProductConfiguration(Config("ResFolder="), vars);
  EXPECT_EQ(vars.ResourceDir, ExecutableDir() + "sounds/");
  EXPECT_EQ(SoundsDir(), ExecutableDir() + "sounds/");
}

TEST(ProductConfig, EditionTitles) {
  EXPECT_TRUE(IsEditionTitle("Soundsift"));
  EXPECT_TRUE(IsEditionTitle("Clipharbor"));
  EXPECT_FALSE(IsEditionTitle("soundsift"));
  EXPECT_FALSE(IsEditionTitle("Tallowin Video Converter"));
  EXPECT_FALSE(IsEditionTitle(""));
}

TEST(ProductConfig, TitleFromAStoredFile) {
  TempDir dir;
  WriteFile(dir / "lamecore.dll", EncodeConfigText("[SYSTEM]\r\nName=A/B Tool\r\n"));
  EXPECT_EQ(ReadApplicationTitle((dir / "lamecore.dll").string()), "A/B Tool");
  EXPECT_THROW(ReadApplicationTitle((dir / "none.dll").string()), std::runtime_error);
}

TEST(ProductConfig, EditionFilesAreComplete) {
  struct Expected {
    const char* file;
    const char* name;
    bool download;
    bool merge;
    int video, device, audio;
  };
  for (const Expected& e : {Expected{"full", "Tallowin Video Converter", true, false, 9, 8, 8},
                            Expected{"soundsift", "Soundsift", false, false, 0, 0, 8},
                            Expected{"clipharbor", "Clipharbor", true, false, -1, -1, -1},
                            Expected{"merge", "Tallowin Video Joiner", false, true, 9, 8, 8}}) {
    SCOPED_TRACE(e.file);
    std::string text = ReadFile(SourceDir() / "assets/editions" / (std::string(e.file) + ".ini"));
    EXPECT_NO_THROW(EncodeConfigText(text));
    TGlobalVars vars;
    ASSERT_NO_THROW(ReadProductConfiguration(IniFile::FromText(text), vars));
    EXPECT_EQ(vars.AppTitle, e.name);
    EXPECT_EQ(vars.DownloadEnabled, e.download);
    EXPECT_EQ(vars.MergeEnabled, e.merge);
    EXPECT_FALSE(vars.ResFolder.empty());
    EXPECT_FALSE(vars.HelpHomePageLink.empty());
    int video = 0, device = 0, audio = 0;
    for (bool on : vars.VideoFormatEnabled) video += on;
    for (bool on : vars.DeviceFormatEnabled) device += on;
    for (bool on : vars.AudioFormatEnabled) audio += on;
    if (e.video >= 0) {
      EXPECT_EQ(video, e.video);
      EXPECT_EQ(device, e.device);
      EXPECT_EQ(audio, e.audio);
    }
    // The default selection names an offered format of an offered class.
    bool offered = false;
    if (vars.DefaultClass == kClassVideo)
      offered = vars.DefaultVideo < kVideoFormatCount && vars.VideoFormatEnabled[vars.DefaultVideo];
    else if (vars.DefaultClass == kClassDevice)
      offered =
          vars.DefaultDevice < kDeviceFormatCount && vars.DeviceFormatEnabled[vars.DefaultDevice];
    else
      offered = vars.DefaultAudio < kAudioFormatCount && vars.AudioFormatEnabled[vars.DefaultAudio];
    EXPECT_TRUE(offered);
  }
}

TEST(UserDataDir, TitleFolderIsCreatedOneLevel) {
  TempDir home;
  ScopedEnv home_env("HOME", home.path().string());
  ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  // A fresh account: not even ~/.config exists yet.
  EXPECT_EQ(DetermineUserDataDir("A/B Tool"), home.dir() + ".config/A B Tool/");
  EXPECT_TRUE(std::filesystem::is_directory(home / ".config/A B Tool"));
  // Again: the folder exists already.
  EXPECT_EQ(DetermineUserDataDir("A/B Tool"), home.dir() + ".config/A B Tool/");
  // An empty title is the configuration folder itself.
  EXPECT_EQ(DetermineUserDataDir(""), home.dir() + ".config/");
}

TEST(UserDataDir, TitlesNeverLeaveTheConfigurationFolder) {
  TempDir home;
  ScopedEnv home_env("HOME", home.path().string());
  ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(DetermineUserDataDir(".."), home.dir() + ".config/");
  EXPECT_EQ(DetermineUserDataDir("."), home.dir() + ".config/");
  EXPECT_EQ(DetermineUserDataDir("../../etc"), home.dir() + ".config/.. .. etc/");
  EXPECT_EQ(DetermineUserDataDir("Tab\tEsc\x1b"), home.dir() + ".config/Tab Esc /");
  // Ordinary names stay as they are, dots and all.
  EXPECT_EQ(DetermineUserDataDir("...Tallowin 2.0 \xc3\xa9"),
            home.dir() + ".config/...Tallowin 2.0 \xc3\xa9/");
}

TEST(UserDataDir, FallsBackToTheConfigurationFolder) {
  TempDir home;
  ScopedEnv home_env("HOME", home.path().string());
  ScopedEnv config("XDG_CONFIG_HOME", (home / "cfg").string());
  std::filesystem::create_directory(home / "cfg");
  // A file is in the way of the folder.
  WriteFile(home / "cfg/Blocked", "x");
  EXPECT_EQ(DetermineUserDataDir("Blocked"), home.dir() + "cfg/");
}

TEST(StartupDefaults, SelectionStateBeforeTheSettings) {
  TempDir home;
  ScopedEnv home_env("HOME", home.path().string());
  ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv documents("XDG_DOCUMENTS_DIR", std::nullopt);
  TGlobalVars vars;
  vars.DefaultStreamURL = "http://old";
  vars.QualityStreamURL[3] = "http://old3";
  ApplyStartupDefaults(vars);
  const std::string docs = home.dir() + "Documents/";
  EXPECT_EQ(vars.LastOpenDir, docs);
  EXPECT_EQ(vars.OutputFileDir, docs);
  EXPECT_EQ(vars.OutputURLDir, docs);
  // A sample of the preset table; the whole table is data.
  EXPECT_EQ(vars.OutputMP3Preset, 2);
  EXPECT_EQ(vars.OutputWMVPreset, 16);
  EXPECT_EQ(vars.OutputiPodPreset, 5);
  EXPECT_FALSE(vars.PlayASoundWhenFinished);
  EXPECT_FALSE(vars.ShutDownWhenFinished);
  EXPECT_TRUE(vars.PreferYouTubeQuality);
  const uint8_t order[] = {vars.PreferYouTube1, vars.PreferYouTube2, vars.PreferYouTube3,
                           vars.PreferYouTube4, vars.PreferYouTube5, vars.PreferYouTube6,
                           vars.PreferYouTube7, vars.PreferYouTube18};
  const uint8_t order_expected[] = {1, 2, 3, 0, 4, 5, 6, 7};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(order[i], order_expected[i]) << i;
  EXPECT_TRUE(vars.DefaultStreamURL.empty());
  EXPECT_TRUE(vars.QualityStreamURL[3].empty());
}

TEST(GlobalState, ResetGivesTheZeroRecord) {
  GlobalVars().Skin = 3;
  GlobalVars().AddFailures.push_back("x");
  ResetGlobalVars();
  EXPECT_EQ(GlobalVars().Skin, 0);
  EXPECT_TRUE(GlobalVars().AddFailures.empty());
  EXPECT_FALSE(GlobalVars().PreferYouTubeQuality);
}

}  // namespace
}  // namespace tallowin
