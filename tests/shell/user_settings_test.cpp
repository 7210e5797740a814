#include "shell/user_settings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <csignal>
#include <filesystem>
#include <stdexcept>

#include "shell/util_funcs.h"
#include "support/test_support.h"

namespace tallowin {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// The keys of section "System" in the order they must be written.
const std::vector<std::string> kExpectedKeys = {
    "LastOpenDir",          "OutputFileDir",          "OutputURLDir",
    "OutputFormatClass",    "OutputAudioFormat",      "OutputVideoFormat",
    "OutputDeviceFormat",   "OutputWAVPreset",        "OutputMP3Preset",
    "OutputWMAPreset",      "OutputOGGPreset",        "OutputM4APreset",
    "OutputAACPreset",      "OutputFLACPreset",       "OutputMP2Preset",
    "OutputAVIPreset",      "OutputMP4Preset",        "OutputFLVPreset",
    "OutputSWFPreset",      "OutputMPEGPreset",       "OutputRMPreset",
    "OutputWMVPreset",      "OutputMOVPreset",        "Output3GPPreset",
    "OutputiPodPreset",     "OutputiPhonePreset",     "OutputAppleTVPreset",
    "OutputPSPPreset",      "OutputBlackBerryPreset", "OutputMobilePhonePreset",
    "OutputiPadPreset",     "OutputAndroidPreset",    "PlayASoundWhenFinished",
    "ShutDownWhenFinished", "PreferYouTubeQuality",   "PreferYouTube1",
    "PreferYouTube2",       "PreferYouTube3",         "PreferYouTube4",
    "PreferYouTube5",       "PreferYouTube6",         "PreferYouTube7",
    "PreferYouTube18"};

TGlobalVars SampleVars() {
  TGlobalVars vars;
  vars.LastOpenDir = "/home/u/Music/";
  vars.OutputFileDir = "/home/u/Out/";
  vars.OutputURLDir = "/home/u/Videos/";
  vars.OutputFormatClass = 2;
  vars.OutputAudioFormat = 1;
  vars.OutputMP3Preset = 2;
  vars.OutputWMVPreset = 16;
  vars.PreferYouTubeQuality = true;
  vars.PreferYouTube18 = 7;
  return vars;
}

TEST(SettingsFile, FirstStartWritesEveryKeyInOrder) {
  TempDir dir;
  const std::string path = (dir / "~system2.dat").string();
  TGlobalVars vars = SampleVars();
  std::string error;
  EXPECT_FALSE(LoadUserSettings(vars, path, &error));
  EXPECT_TRUE(error.empty()) << error;
  auto ini = IniFile::Load(path);
  ASSERT_TRUE(ini.has_value());
  EXPECT_EQ(ini->Sections(), std::vector<std::string>{"System"});
  EXPECT_EQ(ini->Keys("System"), kExpectedKeys);
  EXPECT_EQ(kExpectedKeys.size(), 43u);
  EXPECT_EQ(ini->ReadString("System", "OutputFileDir"), "/home/u/Out/");
  EXPECT_EQ(ini->ReadString("System", "PreferYouTubeQuality"), "1");
  EXPECT_EQ(ini->ReadString("System", "ShutDownWhenFinished"), "0");
  EXPECT_EQ(ini->ReadString("System", "OutputWMVPreset"), "16");
  // The second start reads it.
  TGlobalVars again;
  EXPECT_TRUE(LoadUserSettings(again, path, &error));
  EXPECT_EQ(again.OutputFileDir, "/home/u/Out/");
  EXPECT_EQ(again.OutputFormatClass, 2);
  EXPECT_EQ(again.PreferYouTube18, 7);
  EXPECT_TRUE(again.PreferYouTubeQuality);
}

TEST(SettingsFile, ValuesAreTruncatedParsedOrKept) {
  TempDir dir;
  const std::string path = (dir / "~system2.dat").string();
  WriteFile(path,
            "[system]\n"
            "outputformatclass=257\n"
            "OutputAudioFormat=0x03\n"
            "OutputVideoFormat=-1\n"
            "OutputDeviceFormat=seven\n"
            "OutputMP3Preset=0x10\n"
            "OutputAVIPreset=\n"
            "OutputWAVPreset=100000\n"
            "PlayASoundWhenFinished=2\n"
            "ShutDownWhenFinished=0\n"
            "PreferYouTubeQuality=no\n"
            "PreferYouTube8=5\n"
            "PreferYouTube18=258\n"
            "LastOpenDir=\n");
  TGlobalVars vars = SampleVars();
  vars.OutputDeviceFormat = 4;
  vars.OutputAVIPreset = 3;
  vars.ShutDownWhenFinished = true;
  EXPECT_TRUE(LoadUserSettings(vars, path));
  EXPECT_EQ(vars.OutputFormatClass, 1);    // 257 keeps its low byte
  EXPECT_EQ(vars.OutputAudioFormat, 3);    // hexadecimal
  EXPECT_EQ(vars.OutputVideoFormat, 255);  // -1 as a byte
  EXPECT_EQ(vars.OutputDeviceFormat, 4);   // not a number: kept
  EXPECT_EQ(vars.OutputMP3Preset, 2);      // 0x10 = 16 is past the MP3 list: the default
  EXPECT_EQ(vars.OutputAVIPreset, 3);
  EXPECT_EQ(vars.OutputWAVPreset, 3);        // outside the list: the format's default
  EXPECT_TRUE(vars.PlayASoundWhenFinished);  // any non-zero number
  EXPECT_FALSE(vars.ShutDownWhenFinished);
  EXPECT_TRUE(vars.PreferYouTubeQuality);  // "no" is not a number: kept
  EXPECT_EQ(vars.PreferYouTube18, 2);      // the key ends in 18; 258 -> 2
  EXPECT_EQ(vars.LastOpenDir, "");         // texts are taken as stored
  EXPECT_EQ(vars.OutputFileDir, "/home/u/Out/");
}

TEST(SettingsFile, PresetIndicesOutsideTheirListsGiveTheDefault) {
  TempDir dir;
  const std::string path = (dir / "~system2.dat").string();
  WriteFile(path,
            "[System]\nOutputMP4Preset=2147483647\nOutputAVIPreset=-5\nOutputiPodPreset=-1\n"
            "OutputMP3Preset=1\n");
  TGlobalVars vars = SampleVars();
  EXPECT_TRUE(LoadUserSettings(vars, path));
  EXPECT_EQ(vars.OutputMP4Preset, 3);
  EXPECT_EQ(vars.OutputAVIPreset, 3);
  EXPECT_EQ(vars.OutputiPodPreset, 5);
  EXPECT_EQ(vars.OutputMP3Preset, 1);  // in range: as stored
}

TEST(SettingsFile, SavingKeepsOtherSectionsAndKeys) {
  TempDir dir;
  const std::string path = (dir / "~system2.dat").string();
  WriteFile(path, "[Form]\nx=10\n[SYSTEM]\nFuture=kept\nOutputMP3Preset=9\n[FormLog]\ny=3\n");
  TGlobalVars vars = SampleVars();
  SaveUserSettings(vars, path);
  auto ini = IniFile::Load(path);
  ASSERT_TRUE(ini.has_value());
  EXPECT_EQ(ini->ReadInteger("Form", "x", 0), 10);
  EXPECT_EQ(ini->ReadInteger("FormLog", "y", 0), 3);
  EXPECT_EQ(ini->ReadString("System", "Future"), "kept");
  EXPECT_EQ(ini->ReadInteger("System", "OutputMP3Preset", 0), 2);
  EXPECT_EQ(ini->Keys("System").size(), 44u);
}

TEST(SettingsFile, UnwritableFolderThrowsAndChangesNothing) {
  TempDir dir;
  TGlobalVars vars = SampleVars();
  // The settings folder is really a file.
  WriteFile(dir / "notafolder", "x");
  const std::string inside = (dir / "notafolder/~system2.dat").string();
  try {
    SaveUserSettings(vars, inside);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot write file \"" + inside + "\""), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(ReadFile(dir / "notafolder"), "x");

  // First start in such a place: the load reports the failure instead of throwing.
  std::string error;
  EXPECT_FALSE(LoadUserSettings(vars, inside, &error));
  EXPECT_NE(error.find("Cannot write file"), std::string::npos) << error;
  EXPECT_EQ(vars.OutputFileDir, "/home/u/Out/");

  // An existing file survives a failing write (here: the file-size limit, which holds for root).
  const std::string path = (dir / "~system2.dat").string();
  const std::string before = "[System]\nOutputMP3Preset=4\n";
  WriteFile(path, before);
  struct rlimit old_limit {};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &limit);
  bool threw = false;
  try {
    SaveUserSettings(vars, path);
  } catch (const std::runtime_error&) {
    threw = true;
  }
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_TRUE(threw);
  EXPECT_EQ(ReadFile(path), before);
}

TEST(SettingsFile, ReadOnlyFolderThrows) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  std::filesystem::create_directory(dir / "ro");
  WriteFile(dir / "ro/~system2.dat", "[System]\nOutputMP3Preset=4\n");
  std::filesystem::permissions(
      dir / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_THROW(SaveUserSettings(SampleVars(), (dir / "ro/~system2.dat").string()),
               std::runtime_error);
  EXPECT_EQ(ReadFile(dir / "ro/~system2.dat"), "[System]\nOutputMP3Preset=4\n");
}

TEST(SettingsFile, PathFollowsTheUserDataFolder) {
  TGlobalVars saved = GlobalVars();
  GlobalVars().UserDataDir = "/home/u/.config/Tallowin Video Converter/";
  EXPECT_EQ(SettingsFilePath(), "/home/u/.config/Tallowin Video Converter/~system2.dat");
  GlobalVars() = saved;
}

TEST(WindowClamp, KeepsTheWindowOnTheScreen) {
  auto clamp = [](int x, int y, int w, int h) {
    WindowPlacement p;
    p.x = x;
    p.y = y;
    p.width = w;
    p.height = h;
    return ClampToScreen(p, 1920, 1080);
  };
  EXPECT_EQ(clamp(5000, 100, 800, 600).x, 1120);
  EXPECT_EQ(clamp(100, -50, 800, 600).y, 0);
  EXPECT_EQ(clamp(-10, 100, 800, 600).x, 0);
  EXPECT_EQ(clamp(100, 900, 800, 600).y, 480);
  // Larger than the screen: the size is limited first, so the window sits at 0.
  WindowPlacement big = clamp(300, 300, 4000, 3000);
  EXPECT_EQ(big.x, 0);
  EXPECT_EQ(big.y, 0);
  EXPECT_EQ(big.width, 1920);
  // Inside already: unchanged.
  WindowPlacement inside = clamp(10, 20, 800, 600);
  EXPECT_EQ(inside.x, 10);
  EXPECT_EQ(inside.y, 20);
  // Extreme stored values do not overflow.
  WindowPlacement extreme = clamp(2147483647, -2147483647 - 1, 800, 600);
  EXPECT_EQ(extreme.x, 1120);
  EXPECT_EQ(extreme.y, 0);
}

TEST(WindowPlacementKeys, ReadAndWrite) {
  IniFile ini = IniFile::FromText("[Form]\nx=12\ny=junk\nmaximized=2\n");
  WindowPlacement current{1, 2, 300, 400, false};
  WindowPlacement read = ReadWindowPlacement(ini, "form", current);
  EXPECT_EQ(read.x, 12);
  EXPECT_EQ(read.y, 2);
  EXPECT_EQ(read.width, 300);
  EXPECT_EQ(read.height, 400);
  EXPECT_TRUE(read.maximized);  // 2 counts as true
  IniFile out;
  WriteWindowPlacement(out, "FormLog", {5, 6, 7, 8, true});
  EXPECT_EQ(out.ToText(), "[FormLog]\nx=5\ny=6\nheight=8\nwidth=7\nmaximized=1\n");
}

TEST(WindowPosition, SaveAndRestoreAWidget) {
  TempDir dir;
  const std::string path = (dir / "positions.ini").string();
  WriteFile(path, "[System]\nOutputMP3Preset=4\n");
  QWidget window;
  window.resize(320, 240);
  window.move(40, 50);
  SaveWindowPosition("FormLog", &window, path);
  auto ini = IniFile::Load(path);
  ASSERT_TRUE(ini.has_value());
  EXPECT_EQ(ini->ReadInteger("FormLog", "x", -1), 40);
  EXPECT_EQ(ini->ReadInteger("FormLog", "y", -1), 50);
  EXPECT_EQ(ini->ReadInteger("FormLog", "width", -1), 320);
  EXPECT_EQ(ini->ReadInteger("FormLog", "height", -1), 240);
  EXPECT_EQ(ini->ReadString("FormLog", "maximized"), "0");
  EXPECT_EQ(ini->ReadInteger("System", "OutputMP3Preset", -1), 4);

  QSize screen = QGuiApplication::primaryScreen()->size();
  WriteFile(path, "[FormLog]\nx=" + std::to_string(screen.width() + 500) + "\ny=-20\n");
  QWidget other;
  other.resize(300, 200);
  EXPECT_TRUE(RestoreWindowPosition("FormLog", &other, path));
  EXPECT_EQ(other.x(), screen.width() - 300);
  EXPECT_EQ(other.y(), 0);
  EXPECT_EQ(other.width(), 300);  // the stored size only limits the position
  EXPECT_FALSE(other.isMaximized());

  // No section at all: the window keeps its place.
  QWidget third;
  third.resize(100, 100);
  third.move(30, 40);
  EXPECT_TRUE(RestoreWindowPosition("Missing", &third, path));
  EXPECT_EQ(third.pos(), QPoint(30, 40));
}

TEST(WindowPosition, BlankFileNameMeansTheSettingsFile) {
  TempDir dir;
  TGlobalVars saved = GlobalVars();
  GlobalVars().UserDataDir = dir.dir();
  QWidget window;
  window.resize(200, 100);
  window.move(7, 9);
  SaveWindowPosition("Form", &window, "  ");
  auto ini = IniFile::Load(dir.dir() + "~system2.dat");
  ASSERT_TRUE(ini.has_value());
  EXPECT_EQ(ini->ReadInteger("Form", "x", -1), 7);
  GlobalVars() = saved;
  // An unwritable place throws.
  WriteFile(dir / "file", "x");
  EXPECT_THROW(SaveWindowPosition("Form", &window, (dir / "file/pos.ini").string()),
               std::runtime_error);
}

}  // namespace
}  // namespace tallowin
