#include "shell/user_settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <stdexcept>
#include <variant>

#include "convert/preset_catalogue.h"
#include "shell/product_config.h"

namespace tallowin {
namespace {

using Field = std::variant<std::string TGlobalVars::*, uint8_t TGlobalVars::*,
                           int32_t TGlobalVars::*, bool TGlobalVars::*>;

struct SettingKey {
  const char* key;
  Field field;
};

// Every key of section "System", in the order it is read and written.
const SettingKey kSettingKeys[] = {
    {"LastOpenDir", &TGlobalVars::LastOpenDir},
    {"OutputFileDir", &TGlobalVars::OutputFileDir},
    {"OutputURLDir", &TGlobalVars::OutputURLDir},
    {"OutputFormatClass", &TGlobalVars::OutputFormatClass},
    {"OutputAudioFormat", &TGlobalVars::OutputAudioFormat},
    {"OutputVideoFormat", &TGlobalVars::OutputVideoFormat},
    {"OutputDeviceFormat", &TGlobalVars::OutputDeviceFormat},
    {"OutputWAVPreset", &TGlobalVars::OutputWAVPreset},
    {"OutputMP3Preset", &TGlobalVars::OutputMP3Preset},
    {"OutputWMAPreset", &TGlobalVars::OutputWMAPreset},
    {"OutputOGGPreset", &TGlobalVars::OutputOGGPreset},
    {"OutputM4APreset", &TGlobalVars::OutputM4APreset},
    {"OutputAACPreset", &TGlobalVars::OutputAACPreset},
    {"OutputFLACPreset", &TGlobalVars::OutputFLACPreset},
    {"OutputMP2Preset", &TGlobalVars::OutputMP2Preset},
    {"OutputAVIPreset", &TGlobalVars::OutputAVIPreset},
    {"OutputMP4Preset", &TGlobalVars::OutputMP4Preset},
    {"OutputFLVPreset", &TGlobalVars::OutputFLVPreset},
    {"OutputSWFPreset", &TGlobalVars::OutputSWFPreset},
    {"OutputMPEGPreset", &TGlobalVars::OutputMPEGPreset},
    {"OutputRMPreset", &TGlobalVars::OutputRMPreset},
    {"OutputWMVPreset", &TGlobalVars::OutputWMVPreset},
    {"OutputMOVPreset", &TGlobalVars::OutputMOVPreset},
    {"Output3GPPreset", &TGlobalVars::Output3GPPreset},
    {"OutputiPodPreset", &TGlobalVars::OutputiPodPreset},
    {"OutputiPhonePreset", &TGlobalVars::OutputiPhonePreset},
    {"OutputAppleTVPreset", &TGlobalVars::OutputAppleTVPreset},
    {"OutputPSPPreset", &TGlobalVars::OutputPSPPreset},
    {"OutputBlackBerryPreset", &TGlobalVars::OutputBlackBerryPreset},
    {"OutputMobilePhonePreset", &TGlobalVars::OutputMobilePhonePreset},
    {"OutputiPadPreset", &TGlobalVars::OutputiPadPreset},
    {"OutputAndroidPreset", &TGlobalVars::OutputAndroidPreset},
    {"PlayASoundWhenFinished", &TGlobalVars::PlayASoundWhenFinished},
    {"ShutDownWhenFinished", &TGlobalVars::ShutDownWhenFinished},
    {"PreferYouTubeQuality", &TGlobalVars::PreferYouTubeQuality},
    {"PreferYouTube1", &TGlobalVars::PreferYouTube1},
    {"PreferYouTube2", &TGlobalVars::PreferYouTube2},
    {"PreferYouTube3", &TGlobalVars::PreferYouTube3},
    {"PreferYouTube4", &TGlobalVars::PreferYouTube4},
    {"PreferYouTube5", &TGlobalVars::PreferYouTube5},
    {"PreferYouTube6", &TGlobalVars::PreferYouTube6},
    {"PreferYouTube7", &TGlobalVars::PreferYouTube7},
    {"PreferYouTube18", &TGlobalVars::PreferYouTube18},
};

// The preset field of every format, with the format's class and number.
struct PresetKey {
  int32_t TGlobalVars::*field;
  int format_class;
  int format;
};
const PresetKey kPresetKeys[] = {
    {&TGlobalVars::OutputWAVPreset, kClassAudio, 0},
    {&TGlobalVars::OutputMP3Preset, kClassAudio, 1},
    {&TGlobalVars::OutputWMAPreset, kClassAudio, 2},
    {&TGlobalVars::OutputOGGPreset, kClassAudio, 3},
    {&TGlobalVars::OutputAACPreset, kClassAudio, 4},
    {&TGlobalVars::OutputM4APreset, kClassAudio, 5},
    {&TGlobalVars::OutputFLACPreset, kClassAudio, 6},
    {&TGlobalVars::OutputMP2Preset, kClassAudio, 7},
    {&TGlobalVars::OutputAVIPreset, kClassVideo, 0},
    {&TGlobalVars::OutputMP4Preset, kClassVideo, 1},
    {&TGlobalVars::OutputFLVPreset, kClassVideo, 2},
    {&TGlobalVars::OutputSWFPreset, kClassVideo, 3},
    {&TGlobalVars::OutputMPEGPreset, kClassVideo, 4},
    {&TGlobalVars::OutputRMPreset, kClassVideo, 5},
    {&TGlobalVars::OutputWMVPreset, kClassVideo, 6},
    {&TGlobalVars::OutputMOVPreset, kClassVideo, 7},
    {&TGlobalVars::Output3GPPreset, kClassVideo, 8},
    {&TGlobalVars::OutputiPodPreset, kClassDevice, 0},
    {&TGlobalVars::OutputiPhonePreset, kClassDevice, 1},
    {&TGlobalVars::OutputAppleTVPreset, kClassDevice, 2},
    {&TGlobalVars::OutputPSPPreset, kClassDevice, 3},
    {&TGlobalVars::OutputBlackBerryPreset, kClassDevice, 4},
    {&TGlobalVars::OutputMobilePhonePreset, kClassDevice, 5},
    {&TGlobalVars::OutputiPadPreset, kClassDevice, 6},
    {&TGlobalVars::OutputAndroidPreset, kClassDevice, 7},
};

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

std::string WindowFile(const std::string& file_name) {
  return IsBlank(file_name) ? SettingsFilePath() : file_name;
}

IniFile LoadOrEmpty(const std::string& path) {
  return IniFile::Load(path).value_or(IniFile());
}

}  // namespace

std::string SettingsFilePath() {
  return GlobalVars().UserDataDir + kSettingsFileName;
}

void WriteSettingsSection(const TGlobalVars& vars, IniFile& ini) {
  for (const SettingKey& setting : kSettingKeys) {
    std::visit(
        [&](auto member) {
          using Value = std::decay_t<decltype(vars.*member)>;
          if constexpr (std::is_same_v<Value, std::string>)
            ini.WriteString(kSettingsSection, setting.key, vars.*member);
          else if constexpr (std::is_same_v<Value, bool>)
            ini.WriteBool(kSettingsSection, setting.key, vars.*member);
          else
            ini.WriteInteger(kSettingsSection, setting.key, static_cast<int>(vars.*member));
        },
        setting.field);
  }
}

void ReadSettingsSection(const IniFile& ini, TGlobalVars& vars) {
  // A stored preset index outside its format's list would leave Convert with nothing to do and
  // no word why: such a value gives way to the format's start-up default.
  TGlobalVars defaults;
  ApplyStartupDefaults(defaults);
  for (const SettingKey& setting : kSettingKeys) {
    std::visit(
        [&](auto member) {
          using Value = std::decay_t<decltype(vars.*member)>;
          if constexpr (std::is_same_v<Value, std::string>)
            vars.*member = ini.ReadString(kSettingsSection, setting.key, vars.*member);
          else if constexpr (std::is_same_v<Value, bool>)
            vars.*member = ini.ReadBool(kSettingsSection, setting.key, vars.*member);
          else  // 8-bit fields keep the low byte
            vars.*member = static_cast<Value>(
                ini.ReadInteger(kSettingsSection, setting.key, static_cast<int>(vars.*member)));
        },
        setting.field);
  }
  for (const PresetKey& preset : kPresetKeys) {
    const int32_t value = vars.*preset.field;
    if (value < 0 || value >= convert::PresetCount(preset.format_class, preset.format))
      vars.*preset.field = defaults.*preset.field;
  }
}

bool LoadUserSettings(TGlobalVars& vars, const std::string& path, std::string* error) {
  std::optional<IniFile> ini;
  try {
    ini = IniFile::Load(path);
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return true;  // it exists but cannot be read: keep the defaults
  }
  if (!ini) {
    try {
      SaveUserSettings(vars, path);
    } catch (const std::exception& e) {
      if (error) *error = e.what();
    }
    return false;
  }
  ReadSettingsSection(*ini, vars);
  return true;
}

bool LoadUserSettings(std::string* error) {
  return LoadUserSettings(GlobalVars(), SettingsFilePath(), error);
}

void SaveUserSettings(const TGlobalVars& vars, const std::string& path) {
  IniFile ini = LoadOrEmpty(path);
  WriteSettingsSection(vars, ini);
  ini.Save(path);
}

void SaveUserSettings() {
  SaveUserSettings(GlobalVars(), SettingsFilePath());
}

WindowPlacement ReadWindowPlacement(const IniFile& ini, const std::string& section,
                                    const WindowPlacement& current) {
  WindowPlacement placement;
  placement.maximized = ini.ReadBool(section, "maximized", false);
  placement.x = ini.ReadInteger(section, "x", current.x);
  placement.y = ini.ReadInteger(section, "y", current.y);
  placement.height = ini.ReadInteger(section, "height", current.height);
  placement.width = ini.ReadInteger(section, "width", current.width);
  return placement;
}

void WriteWindowPlacement(IniFile& ini, const std::string& section,
                          const WindowPlacement& placement) {
  ini.WriteInteger(section, "x", placement.x);
  ini.WriteInteger(section, "y", placement.y);
  ini.WriteInteger(section, "height", placement.height);
  ini.WriteInteger(section, "width", placement.width);
  ini.WriteBool(section, "maximized", placement.maximized);
}

WindowPlacement ClampToScreen(WindowPlacement p, int screen_width, int screen_height) {
  p.width = std::min(p.width, screen_width);
  p.height = std::min(p.height, screen_height);
  // 64-bit sums: stored values may be anything.
  if (static_cast<int64_t>(p.x) + p.width > screen_width) p.x = screen_width - p.width;
  if (static_cast<int64_t>(p.y) + p.height > screen_height) p.y = screen_height - p.height;
  if (p.x < 0) p.x = 0;
  if (p.y < 0) p.y = 0;
  return p;
}

bool RestoreWindowPosition(const std::string& section, QWidget* window,
                           const std::string& file_name) {
  if (!window) return true;
  WindowPlacement current;
  current.x = window->x();
  current.y = window->y();
  current.width = window->width();
  current.height = window->height();
  IniFile ini;
  try {
    ini = LoadOrEmpty(WindowFile(file_name));
  } catch (const std::exception&) {
    // An unreadable file leaves the window where it is.
  }
  WindowPlacement placement = ReadWindowPlacement(ini, section, current);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QSize size = screen->size();
    placement = ClampToScreen(placement, size.width(), size.height());
  }
  window->move(placement.x, placement.y);
  Qt::WindowStates state = window->windowState();
  if (placement.maximized)
    window->setWindowState(state | Qt::WindowMaximized);
  else
    window->setWindowState(state & ~Qt::WindowMaximized);
  return true;
}

void SaveWindowPosition(const std::string& section, QWidget* window, const std::string& file_name) {
  if (!window) return;
  WindowPlacement placement;
  placement.x = window->x();
  placement.y = window->y();
  placement.height = window->height();
  placement.width = window->width();
  placement.maximized = window->isMaximized();
  const std::string path = WindowFile(file_name);
  IniFile ini = LoadOrEmpty(path);
  WriteWindowPlacement(ini, section, placement);
  ini.Save(path);
}

}  // namespace tallowin
