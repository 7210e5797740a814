#include "shell/product_config.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "shell/config_codec.h"
#include "shell/util_funcs.h"

namespace tallowin {

const std::array<FormatFlagKey, 25> kFormatFlagKeys = {{
    {"AVI", kClassVideo, 0},         {"MP4", kClassVideo, 1},          {"FLV", kClassVideo, 2},
    {"SWF", kClassVideo, 3},         {"MPEG", kClassVideo, 4},         {"RM", kClassVideo, 5},
    {"WMV", kClassVideo, 6},         {"MOV", kClassVideo, 7},          {"3GP", kClassVideo, 8},
    {"IPOD", kClassDevice, 0},       {"IPAD", kClassDevice, 6},        {"ANDROID", kClassDevice, 7},
    {"IPHONE", kClassDevice, 1},     {"APPLETV", kClassDevice, 2},     {"PSP", kClassDevice, 3},
    {"BLACKBERRY", kClassDevice, 4}, {"MOBILEPHONE", kClassDevice, 5}, {"WAV", kClassAudio, 0},
    {"MP3", kClassAudio, 1},         {"WMA", kClassAudio, 2},          {"OGG", kClassAudio, 3},
    {"AAC", kClassAudio, 4},         {"M4A", kClassAudio, 5},          {"FLAC", kClassAudio, 6},
    {"MP2", kClassAudio, 7},
}};

bool IsEditionTitle(const std::string& title) {
  return title == kSoundsiftTitle || title == kClipharborTitle;
}

std::string ReadApplicationTitle(const std::string& config_path) {
  return ReadConfigFile(config_path).ReadString(kConfigSection, "Name");
}

void ReadProductConfiguration(const IniFile& config, TGlobalVars& vars) {
  auto text = [&](const char* key) { return config.ReadString(kConfigSection, key); };
  auto flag = [&](const char* key) { return IsTrueText(text(key)); };
  // A missing key converts like an empty value: it is not a number.
  auto integer = [&](const char* key) { return StrToIntStrict(text(key)); };

  vars.AppTitle = text("Name");
  vars.Version = text("Version");
  vars.Copyright = text("Copyright");
  vars.DownloadEnabled = flag("Download");
  vars.MergeEnabled = flag("Merge");
  vars.Skin = integer("Skin");
  vars.ResFolder = text("ResFolder");
  vars.HelpContentLink = text("HelpContectLink");
  vars.HelpHowTosTutorialVideosLink = text("HelpHowTosTutorialVideosLink");
  vars.HelpHomePageLink = text("HelpHomePageLink");
  vars.HelpMoreFreeToolsLink = text("HelpMoreFreeToolsLink");
  vars.HelpCheckForUpdatesLink = text("HelpCheckForUpdatesLink");
  vars.HelpSupportLink = text("HelpSupportLink");
  for (const FormatFlagKey& format : kFormatFlagKeys) {
    bool enabled = flag(format.key);
    size_t index = static_cast<size_t>(format.index);
    switch (format.format_class) {
      case kClassVideo:
        vars.VideoFormatEnabled[index] = enabled;
        break;
      case kClassDevice:
        vars.DeviceFormatEnabled[index] = enabled;
        break;
      case kClassAudio:
        vars.AudioFormatEnabled[index] = enabled;
        break;
    }
  }
  vars.DefaultVideo = static_cast<uint8_t>(integer("DefaultVideo"));
  vars.DefaultDevice = static_cast<uint8_t>(integer("DefaultDevice"));
  vars.DefaultAudio = static_cast<uint8_t>(integer("DefaultAudio"));
  int default_class = integer("DefaultClass");
  vars.DefaultClass = default_class >= 0 && default_class <= 2 ? static_cast<uint8_t>(default_class)
                                                               : static_cast<uint8_t>(kClassVideo);
  vars.ResourceDir = ResourceDirFor(vars.ResFolder);
}

void LoadProductConfiguration(const std::string& config_path, TGlobalVars& vars) {
  ReadProductConfiguration(ReadConfigFile(config_path), vars);
}

std::string SoundsDir() {
  return WithTrailingBackslash(ExecutableDir()) + "sounds/";
}

std::string ResourceDirFor(const std::string& res_folder) {
  return WithTrailingBackslash(SoundsDir() + res_folder);
}

std::string DetermineUserDataDir(const std::string& title) {
  const std::string app_data = WithTrailingBackslash(ReadShellFolder("AppData"));
  // A fresh account may not have its configuration folder yet.
  std::error_code ignored;
  std::filesystem::create_directories(app_data, ignored);
  // One folder below the configuration folder, whatever the title holds: separators and control
  // characters become blanks, and "." and ".." (which would name the configuration folder or
  // the home folder) leave the configuration folder itself, as an empty title does.
  std::string folder_name = title;
  for (char& c : folder_name)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  if (folder_name == "." || folder_name == "..") folder_name.clear();
  const std::string dir = WithTrailingBackslash(app_data + folder_name);
  struct stat info {};
  if (stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return dir;
  if (mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST) {
    if (stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return dir;
  }
  return app_data;
}

void ApplyStartupDefaults(TGlobalVars& vars) {
  const std::string documents = WithTrailingBackslash(ReadShellFolder("Personal"));
  vars.LastOpenDir = documents;
  vars.OutputFileDir = documents;
  vars.OutputURLDir = documents;
  vars.OutputWAVPreset = 3;
  vars.OutputMP3Preset = 2;
  vars.OutputWMAPreset = 1;
  vars.OutputOGGPreset = 3;
  vars.OutputAACPreset = 3;
  vars.OutputM4APreset = 0;
  vars.OutputFLACPreset = 5;
  vars.OutputMP2Preset = 0;
  vars.OutputAVIPreset = 3;
  vars.OutputMP4Preset = 3;
  vars.OutputFLVPreset = 1;
  vars.OutputSWFPreset = 1;
  vars.OutputMPEGPreset = 5;
  vars.OutputRMPreset = 1;
  vars.OutputWMVPreset = 16;
  vars.OutputMOVPreset = 7;
  vars.Output3GPPreset = 2;
  vars.OutputiPodPreset = 5;
  vars.OutputiPhonePreset = 1;
  vars.OutputAppleTVPreset = 1;
  vars.OutputPSPPreset = 1;
  vars.OutputBlackBerryPreset = 1;
  vars.OutputMobilePhonePreset = 1;
  vars.OutputiPadPreset = 0;
  vars.OutputAndroidPreset = 0;
  vars.PlayASoundWhenFinished = false;
  vars.ShutDownWhenFinished = false;
  vars.PreferYouTubeQuality = true;
  vars.PreferYouTube1 = 1;
  vars.PreferYouTube2 = 2;
  vars.PreferYouTube3 = 3;
  vars.PreferYouTube4 = 0;
  vars.PreferYouTube5 = 4;
  vars.PreferYouTube6 = 5;
  vars.PreferYouTube7 = 6;
  vars.PreferYouTube18 = 7;
  vars.DefaultStreamURL.clear();
  for (std::string& url : vars.QualityStreamURL) url.clear();
}

void ApplyDefaultSelection(TGlobalVars& vars) {
  vars.OutputFormatClass = vars.DefaultClass;
  vars.OutputVideoFormat = vars.DefaultVideo;
  vars.OutputDeviceFormat = vars.DefaultDevice;
  vars.OutputAudioFormat = vars.DefaultAudio;
}

void RequireReadableFile(const std::string& path) {
  ReadFileBytes(path);
}

}  // namespace tallowin
