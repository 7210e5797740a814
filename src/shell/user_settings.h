// The user's settings file "~system2.dat" in the per-user folder: section "System" with the
// folders, output selection, finishing options and quality order, and one section per window
// ("Form", "FormLog") with its position.
#pragma once

#include <string>

#include "shell/global_vars.h"
#include "shell/ini_file.h"

class QWidget;

namespace tallowin {

inline constexpr char kSettingsFileName[] = "~system2.dat";
inline constexpr char kSettingsSection[] = "System";

// GlobalVars().UserDataDir + "~system2.dat".
std::string SettingsFilePath();

// Reads every key of "System" over the fields of `vars` (a missing key or a value that is not a
// number keeps the field). 8-bit fields keep the low 8 bits. Returns true when the file existed.
// When it did not, writes it with the current values and returns false. Never throws: a write
// or read failure leaves its text in `error` (when given) and the fields as they were.
bool LoadUserSettings(TGlobalVars& vars, const std::string& path, std::string* error = nullptr);
// The same for GlobalVars() and SettingsFilePath().
bool LoadUserSettings(std::string* error = nullptr);

// Writes every key of "System" in order, keeping the file's other keys and sections. Throws
// std::runtime_error naming the file and the reason when it cannot be written; the file on disk
// is then unchanged.
void SaveUserSettings(const TGlobalVars& vars, const std::string& path);
void SaveUserSettings();

// The pure parts, for tests: fill / read an INI.
void WriteSettingsSection(const TGlobalVars& vars, IniFile& ini);
void ReadSettingsSection(const IniFile& ini, TGlobalVars& vars);

// A window's stored position.
struct WindowPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;
};

// Reads "x", "y", "height", "width", "maximized" of `section`; missing or malformed values keep
// those of `current`.
WindowPlacement ReadWindowPlacement(const IniFile& ini, const std::string& section,
                                    const WindowPlacement& current);
void WriteWindowPlacement(IniFile& ini, const std::string& section,
                          const WindowPlacement& placement);
// Keeps the window on a screen of the given size: the size is first limited to the screen, then
// the position moved so that the window ends inside it, then any negative coordinate set to 0.
// Only x and y of the result matter to the caller (the window keeps its size).
WindowPlacement ClampToScreen(WindowPlacement placement, int screen_width, int screen_height);

// Moves `window` to the stored position of `section` (clamped to the primary screen) and sets
// its maximised state. An empty or blank `file_name` means the settings file. Returns true.
bool RestoreWindowPosition(const std::string& section, QWidget* window,
                           const std::string& file_name = {});
// Stores the window's position in `section`. Throws std::runtime_error when the file cannot be
// written.
void SaveWindowPosition(const std::string& section, QWidget* window,
                        const std::string& file_name = {});

}  // namespace tallowin
