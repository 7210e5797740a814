// The settings loader on an arbitrary settings file: it never throws, and what it read survives
// a save and a second load unchanged (the saved file holds the same "System" section).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "shell/global_vars.h"
#include "shell/ini_file.h"
#include "shell/user_settings.h"

using namespace tallowin;

namespace {

std::string SectionText(const TGlobalVars& vars) {
  IniFile ini;
  WriteSettingsSection(vars, ini);
  return ini.ToText();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::WriteScratchFile("~system2.dat", data, size);
  TGlobalVars first;
  std::string error;
  if (!LoadUserSettings(first, path, &error)) std::abort();  // the file exists

  const std::string saved = (fuzz::ScratchDir() / "saved.dat").string();
  SaveUserSettings(first, saved);
  TGlobalVars second;
  if (!LoadUserSettings(second, saved, &error)) std::abort();
  if (SectionText(first) != SectionText(second)) std::abort();

  // The window positions stored beside the settings, clamped to a screen.
  if (const auto ini = IniFile::Load(path)) {
    WindowPlacement placement = ReadWindowPlacement(*ini, "Form", WindowPlacement{});
    placement = ClampToScreen(placement, 1920, 1080);
    (void)ClampToScreen(placement, 1, 1);
  }
  return 0;
}
