// The product configuration: which edition this is, its features, formats, links and skin, read
// from "lamecore.dll" beside the program into TGlobalVars. No widgets here; the main window
// applies images, skin layout and button packing itself.
#pragma once

#include <array>
#include <string>

#include "shell/global_vars.h"
#include "shell/ini_file.h"

namespace tallowin {

// The section that holds every key of the configuration.
inline constexpr char kConfigSection[] = "SYSTEM";

// Titles of the two special editions; for them the main window hides the version label, the
// "more tools" label and the Help and Log buttons.
inline constexpr char kSoundsiftTitle[] = "Soundsift";
inline constexpr char kClipharborTitle[] = "Clipharbor";
bool IsEditionTitle(const std::string& title);

enum FormatClass : int { kClassVideo = 0, kClassDevice = 1, kClassAudio = 2 };

// A format flag of the configuration: its key and the button it shows.
struct FormatFlagKey {
  const char* key;
  FormatClass format_class;
  int index;  // format index within the class
};
// The 25 flags in the order they are read.
extern const std::array<FormatFlagKey, 25> kFormatFlagKeys;

// The pictures of the skin folder (ResourceDir), in loading order.
inline constexpr std::array<const char*, 15> kSkinImageFiles = {
    "toplogo.png", "leftlogo.png", "downloadyoutube.png", "youtubeconvert.png", "main.bmp",
    "min_1.bmp",   "min_2.bmp",    "min_3.bmp",           "close_1.bmp",        "close_2.bmp",
    "close_3.bmp", "bottom_1.bmp", "bottom_2.bmp",        "bottom_3.bmp",       "bottom_4.bmp"};

// Program entry: the application title ("Name" of section SYSTEM). Throws std::runtime_error
// when the file is missing or unreadable.
std::string ReadApplicationTitle(const std::string& config_path);

// Reads every key of section SYSTEM (booleans by IsTrueText, integers strictly) into `vars`, in
// the fixed reading order. Throws std::invalid_argument with the conversion's message at the
// first malformed "Skin" or "Default..." value; the fields read before it keep their new values.
// "DefaultClass" outside 0..2 leaves the class at 0.
void ReadProductConfiguration(const IniFile& config, TGlobalVars& vars);
// The same from the file (std::runtime_error when it cannot be read).
void LoadProductConfiguration(const std::string& config_path, TGlobalVars& vars);

// ExecutableDir() + "sounds/" + res_folder + "/" (the "sounds/" folder itself for an empty name).
std::string ResourceDirFor(const std::string& res_folder);
// ExecutableDir() + "sounds/".
std::string SoundsDir();

// The per-user folder: the application-data folder + the title with "/" replaced by " ", with a
// trailing "/". The application-data folder is created when missing; the title folder is created
// (one level); when that fails the application-data folder itself is the answer.
std::string DetermineUserDataDir(const std::string& title);

// The selection state before the settings are loaded: folders (the documents folder with a
// trailing "/"), preset indices, finishing options, quality order; and the cleared stream
// addresses of the download state.
void ApplyStartupDefaults(TGlobalVars& vars);

// Copies the configuration's default class and formats into the output selection.
void ApplyDefaultSelection(TGlobalVars& vars);

// Throws std::runtime_error ("Cannot open file \"PATH\". REASON") when the file cannot be read;
// the main window uses it for the skin pictures and the icon.
void RequireReadableFile(const std::string& path);

}  // namespace tallowin
