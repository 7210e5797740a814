// TGlobalVars: the one shared state record of the program. Product configuration values, the
// user settings under the names of their keys, the per-user folders, the run and download state
// and three string lists. One instance, zero-initialised, lives for the whole process.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tallowin {

// Format classes and the number of formats per class (indices as the output selection uses).
constexpr int kVideoFormatCount =
    9;  // 0 AVI, 1 MP4, 2 FLV, 3 SWF, 4 MPEG, 5 RM, 6 WMV, 7 MOV, 8 3GP
constexpr int kDeviceFormatCount = 8;  // 0 iPod, 1 iPhone, 2 AppleTV, 3 PSP, 4 BlackBerry,
                                       // 5 MobilePhone, 6 iPad, 7 Android
constexpr int kAudioFormatCount = 8;   // 0 WAV, 1 MP3, 2 WMA, 3 OGG, 4 AAC, 5 M4A, 6 FLAC, 7 MP2
constexpr int kQualityTypeCount = 8;

struct TGlobalVars {
  // ---- Product configuration (lamecore.dll, section SYSTEM) ----
  std::string AppTitle;  // "Name": the application title
  std::string Version;
  std::string Copyright;
  bool DownloadEnabled = false;
  bool MergeEnabled = false;
  int Skin = 0;
  std::string ResFolder;
  std::string HelpContentLink;
  std::string HelpHowTosTutorialVideosLink;
  std::string HelpHomePageLink;
  std::string HelpMoreFreeToolsLink;
  std::string HelpCheckForUpdatesLink;
  std::string HelpSupportLink;
  // Which format buttons the edition offers, indexed by format index.
  std::array<bool, kVideoFormatCount> VideoFormatEnabled{};
  std::array<bool, kDeviceFormatCount> DeviceFormatEnabled{};
  std::array<bool, kAudioFormatCount> AudioFormatEnabled{};
  // The default selection of the configuration ("DefaultClass", ...), also applied to the
  // selection fields below at start-up.
  uint8_t DefaultClass = 0;
  uint8_t DefaultVideo = 0;
  uint8_t DefaultDevice = 0;
  uint8_t DefaultAudio = 0;

  // ---- Folders ----
  std::string UserDataDir;  // per-user folder of the settings file, trailing "/"
  std::string ResourceDir;  // ExecutableDir() + "sounds/" + ResFolder + "/"

  // ---- User settings (section "System" of ~system2.dat), named after their keys ----
  std::string LastOpenDir;
  std::string OutputFileDir;
  std::string OutputURLDir;
  uint8_t OutputFormatClass = 0;  // 0 video, 1 device, 2 audio
  uint8_t OutputAudioFormat = 0;
  uint8_t OutputVideoFormat = 0;
  uint8_t OutputDeviceFormat = 0;
  int32_t OutputWAVPreset = 0;
  int32_t OutputMP3Preset = 0;
  int32_t OutputWMAPreset = 0;
  int32_t OutputOGGPreset = 0;
  int32_t OutputM4APreset = 0;
  int32_t OutputAACPreset = 0;
  int32_t OutputFLACPreset = 0;
  int32_t OutputMP2Preset = 0;
  int32_t OutputAVIPreset = 0;
  int32_t OutputMP4Preset = 0;
  int32_t OutputFLVPreset = 0;
  int32_t OutputSWFPreset = 0;
  int32_t OutputMPEGPreset = 0;
  int32_t OutputRMPreset = 0;
  int32_t OutputWMVPreset = 0;
  int32_t OutputMOVPreset = 0;
  int32_t Output3GPPreset = 0;
  int32_t OutputiPodPreset = 0;
  int32_t OutputiPhonePreset = 0;
  int32_t OutputAppleTVPreset = 0;
  int32_t OutputPSPPreset = 0;
  int32_t OutputBlackBerryPreset = 0;
  int32_t OutputMobilePhonePreset = 0;
  int32_t OutputiPadPreset = 0;
  int32_t OutputAndroidPreset = 0;
  bool PlayASoundWhenFinished = false;
  bool ShutDownWhenFinished = false;
  bool PreferYouTubeQuality = false;
  uint8_t PreferYouTube1 = 0;
  uint8_t PreferYouTube2 = 0;
  uint8_t PreferYouTube3 = 0;
  uint8_t PreferYouTube4 = 0;
  uint8_t PreferYouTube5 = 0;
  uint8_t PreferYouTube6 = 0;
  uint8_t PreferYouTube7 = 0;
  uint8_t PreferYouTube18 = 0;  // the eighth entry; the key really ends in "18"

  // ---- Conversion run state ----
  int TotalJobs = 0;
  int SucceededJobs = 0;
  double RunStartTime = 0;       // days, as a floating-point date-time
  int64_t RunDoneDuration = 0;   // microseconds
  int64_t RunTotalDuration = 0;  // microseconds
  std::vector<std::string> ErrorLines;

  // ---- Input list ----
  std::vector<std::string> AddFailures;

  // ---- Download state ----
  std::string DefaultStreamURL;
  std::array<std::string, kQualityTypeCount> QualityStreamURL{};
  int DownloadTotal = 0;
  int DownloadIndex = 0;
  int DownloadSucceeded = 0;
  int QualityAttempt = 0;
  std::vector<std::string> DownloadedFiles;
};

// The process's instance.
TGlobalVars& GlobalVars();
// Puts the instance back to its zero-initialised state (tests).
void ResetGlobalVars();

}  // namespace tallowin
