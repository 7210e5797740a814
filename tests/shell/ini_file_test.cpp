#include "shell/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <stdexcept>

#include "support/test_support.h"

namespace tallowin {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(IniReading, LinesSectionsAndNames) {
  IniFile ini = IniFile::FromText(
      "orphan=before any section\r\n"
      "  [ System ]  \r\n"
      "; a comment=not a key\n"
      "\n"
      "  Name  =  Tallowin = Video  \n"
      "Empty=\n"
      "flag\n"
      "name=second one is ignored\n"
      "[other]\rkey=v\r");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"System", "other"}));
  EXPECT_FALSE(ini.HasKey("System", "orphan"));
  EXPECT_EQ(ini.ReadString("SYSTEM", "NAME"), "Tallowin = Video");
  EXPECT_EQ(ini.ReadString("system", "empty", "fallback"), "");
  EXPECT_TRUE(ini.HasKey("System", "flag"));
  EXPECT_EQ(ini.ReadString("System", "missing", "fallback"), "fallback");
  EXPECT_FALSE(ini.HasKey("System", "; a comment"));
  EXPECT_EQ(ini.ReadString("OTHER", "KEY"), "v");
  EXPECT_FALSE(ini.HasSection("nothing"));
  // "[x" is not a section header; it is a key line of the current section.
  IniFile odd = IniFile::FromText("[s]\n[x\n");
  EXPECT_TRUE(odd.HasKey("s", "[x"));
}

TEST(IniReading, IntegersAndBooleans) {
  IniFile ini = IniFile::FromText(
      "[s]\nA=257\nB=0x1F\nC=0X10\nD=12abc\nE=\nF=-3\nG= 7\nH=$10\nT=2\nZ=0\nW=yes\n");
  EXPECT_EQ(ini.ReadInteger("s", "A", -1), 257);
  EXPECT_EQ(ini.ReadInteger("s", "B", -1), 31);
  EXPECT_EQ(ini.ReadInteger("s", "C", -1), 16);
  EXPECT_EQ(ini.ReadInteger("s", "D", -1), -1);
  EXPECT_EQ(ini.ReadInteger("s", "E", -1), -1);
  EXPECT_EQ(ini.ReadInteger("s", "F", 0), -3);
  EXPECT_EQ(ini.ReadInteger("s", "G", 0), 7);  // values are trimmed
  EXPECT_EQ(ini.ReadInteger("s", "H", 0), 16);
  EXPECT_EQ(ini.ReadInteger("s", "missing", 5), 5);
  EXPECT_TRUE(ini.ReadBool("s", "T", false));
  EXPECT_FALSE(ini.ReadBool("s", "Z", true));
  EXPECT_TRUE(ini.ReadBool("s", "W", true));  // not a number: the default
  EXPECT_FALSE(ini.ReadBool("s", "W", false));
}

TEST(IniReading, HugeDamagedFile) {
  // Many keys, many repeated sections: read in one pass, the first of each name wins.
  std::string text = "[System]\n";
  for (int i = 0; i < 200000; ++i)
    text += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  for (int i = 0; i < 50000; ++i)
    text += "[S" + std::to_string(i % 1000) + "]\nkey0=" + std::to_string(i) + "\n";
  text += "[SYSTEM]\nKEY7=late\n";
  IniFile ini = IniFile::FromText(text);
  EXPECT_EQ(ini.Keys("system").size(), 200000u);
  EXPECT_EQ(ini.ReadString("System", "key7"), "7");
  EXPECT_EQ(ini.ReadInteger("System", "Key199999", -1), 199999);
  EXPECT_EQ(ini.Sections().size(), 1001u);
  EXPECT_EQ(ini.ReadInteger("s999", "KEY0", -1), 999);
}

TEST(IniWriting, KeepsOtherSectionsAndKeys) {
  IniFile ini = IniFile::FromText("[Form]\nx=1\n[SYSTEM]\nLastOpenDir=/a/\nCustom=keep me\n");
  ini.WriteString("System", "lastopendir", "/b/");
  ini.WriteInteger("System", "OutputMP3Preset", 4);
  ini.WriteBool("FormLog", "maximized", true);
  ini.WriteString("System", "Broken", "line\nbreak");
  EXPECT_EQ(ini.ToText(),
            "[Form]\nx=1\n\n[SYSTEM]\nLastOpenDir=/b/\nCustom=keep me\nOutputMP3Preset=4\n"
            "Broken=line break\n\n[FormLog]\nmaximized=1\n");
  // What is written reads back the same.
  IniFile again = IniFile::FromText(ini.ToText());
  EXPECT_EQ(again.ReadString("system", "LastOpenDir"), "/b/");
  EXPECT_EQ(again.Keys("System"), ini.Keys("System"));
}

TEST(IniFiles, LoadAndSave) {
  TempDir dir;
  const std::string path = (dir / "s.ini").string();
  EXPECT_FALSE(IniFile::Load(path).has_value());
  IniFile ini;
  ini.WriteString("S", "k", "v");
  ini.Save(path);
  EXPECT_EQ(ReadFile(path), "[S]\nk=v\n");
  auto loaded = IniFile::Load(path);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->ReadString("s", "K"), "v");
  // A folder where the file should be cannot be read.
  std::filesystem::create_directory(dir / "folder.ini");
  EXPECT_THROW(IniFile::Load((dir / "folder.ini").string()), std::runtime_error);
  // No temporary files are left behind.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 2);
}

TEST(IniFiles, FailedSaveLeavesTheOldFile) {
  TempDir dir;
  const std::string path = (dir / "s.ini").string();
  WriteFile(path, "[S]\nold=1\n");
  IniFile big;
  for (int i = 0; i < 200; ++i) big.WriteInteger("S", "key" + std::to_string(i), i);

  // A file-size limit makes every write beyond 64 bytes fail, for root as for anyone.
  struct rlimit old_limit {};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 64;
  setrlimit(RLIMIT_FSIZE, &limit);
  std::string message;
  try {
    big.Save(path);
  } catch (const std::runtime_error& e) {
    message = e.what();
  }
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_NE(message.find("Cannot write file \"" + path + "\""), std::string::npos) << message;
  EXPECT_EQ(ReadFile(path), "[S]\nold=1\n");
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);

  // A path inside a regular file cannot be written either.
  EXPECT_THROW(big.Save((dir / "s.ini/inner.ini").string()), std::runtime_error);
}

TEST(IniFiles, SaveKeepsModeAndLinksAndWritesInPlaceWhenItMust) {
  namespace fs = std::filesystem;
  TempDir dir;
  IniFile ini;
  ini.WriteString("System", "Key", "new");

  // A read-only file stays read-only.
  const fs::path ro = dir.path() / "ro.ini";
  WriteFile(ro, "[System]\nKey=old\n");
  fs::permissions(ro, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ini.Save(ro.string());
  EXPECT_EQ(ReadFile(ro), "[System]\nKey=new\n");
  EXPECT_EQ(fs::status(ro).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

  // A link is written through to its target and stays a link.
  fs::create_directory(dir.path() / "real");
  const fs::path target = dir.path() / "real/settings.ini";
  WriteFile(target, "[System]\nKey=old\n");
  const fs::path link = dir.path() / "link.ini";
  fs::create_symlink(target, link);
  ini.Save(link.string());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "[System]\nKey=new\n");

  // A folder that takes no new file (immutable, which binds root too): the file is written in
  // place, and the longer old text leaves no tail.
  const fs::path locked = dir.path() / "locked";
  fs::create_directory(locked);
  const fs::path in_place = locked / "settings.ini";
  WriteFile(in_place, "[System]\nKey=a much longer old value\n");
  if (std::system(("chattr +i '" + locked.string() + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "no immutable folders here";
  std::string error;
  try {
    ini.Save(in_place.string());
  } catch (const std::exception& e) {
    error = e.what();
  }
  std::system(("chattr -i '" + locked.string() + "'").c_str());
  EXPECT_EQ(error, "");
  EXPECT_EQ(ReadFile(in_place), "[System]\nKey=new\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace tallowin
