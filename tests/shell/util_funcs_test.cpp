#include "shell/util_funcs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "scoped_env.h"
#include "support/test_support.h"

namespace tallowin {
namespace {

using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

TEST(PathHelpers, TrailingSeparatorAndExtensions) {
  EXPECT_EQ(WithTrailingBackslash("/tmp/Music"), "/tmp/Music/");
  EXPECT_EQ(WithTrailingBackslash("/tmp/Music/"), "/tmp/Music/");
  EXPECT_EQ(WithTrailingBackslash("/"), "/");
  EXPECT_EQ(WithTrailingBackslash(""), "/");

  // A dot in the folder name is not an extension.
  EXPECT_EQ(FileNameWithoutExt("/tmp/a.b/song"), "/tmp/a.b/song");
  EXPECT_EQ(FileNameWithoutExt("/tmp/x/song.final.mp3"), "/tmp/x/song.final");
  EXPECT_EQ(FileExtension("/tmp/x/song.final.mp3"), ".mp3");
  EXPECT_EQ(FileExtension("/tmp/a.b/song"), "");
  EXPECT_EQ(FileNameWithoutExt("clip."), "clip");
  EXPECT_EQ(FileNameWithoutExt(""), "");
  // A colon is an ordinary character here.
  EXPECT_EQ(FileNameWithoutExt("/tmp/c:d.e"), "/tmp/c:d");
}

TEST(PathHelpers, ALeadingTildeIsTheHomeFolder) {
  EXPECT_EQ(ExpandHomeFolder("~/Converted", "/home/ann"), "/home/ann/Converted");
  EXPECT_EQ(ExpandHomeFolder("~/Converted/", "/home/ann/"), "/home/ann/Converted/");
  EXPECT_EQ(ExpandHomeFolder("~", "/home/ann"), "/home/ann");
  EXPECT_EQ(ExpandHomeFolder("~/", "/home/ann"), "/home/ann/");
  // Only a leading "~" alone or before "/" is the home folder.
  EXPECT_EQ(ExpandHomeFolder("~ann/x", "/home/ann"), "~ann/x");
  EXPECT_EQ(ExpandHomeFolder("~backup", "/home/ann"), "~backup");
  EXPECT_EQ(ExpandHomeFolder("/data/~/x", "/home/ann"), "/data/~/x");
  EXPECT_EQ(ExpandHomeFolder("Converted", "/home/ann"), "Converted");
  EXPECT_EQ(ExpandHomeFolder("", "/home/ann"), "");
  // Without a home folder nothing is guessed.
  EXPECT_EQ(ExpandHomeFolder("~/x", ""), "~/x");
  // The root as home does not give "//x".
  EXPECT_EQ(ExpandHomeFolder("~/x", "/"), "/x");
  {
    ScopedEnv home("HOME", "/home/bea");
    EXPECT_EQ(ExpandHomeFolder("~/Videos"), "/home/bea/Videos");
  }
}

TEST(PathHelpers, UniqueOutputNameCountsUp) {
  TempDir dir;
  EXPECT_EQ(UniqueOutputName("clip.mp3", dir.dir()), "clip.mp3");
  WriteFile(dir / "clip.mp3", "x");
  WriteFile(dir / "clip(1).mp3", "x");
  EXPECT_EQ(UniqueOutputName("clip.mp3", dir.dir()), "clip(2).mp3");
  // Without a trailing "/" on the folder, and a name without extension.
  WriteFile(dir / "clip", "x");
  EXPECT_EQ(UniqueOutputName("clip", dir.path().string()), "clip(1)");
  // A folder of that name is taken too: a file could not be written there.
  std::filesystem::create_directory(dir / "movie.mp4");
  EXPECT_EQ(UniqueOutputName("movie.mp4", dir.dir()), "movie(1).mp4");
  // The name's own characters are copied as they are.
  WriteFile(dir / "100%d.mp3", "x");
  EXPECT_EQ(UniqueOutputName("100%d.mp3", dir.dir()), "100%d(1).mp3");
}

TEST(PathHelpers, UniqueOutputNameGivesUpAfter32767) {
  TempDir dir;
  WriteFile(dir / "a.wav", "");
  for (int i = 1; i <= 32767; ++i) WriteFile(dir / ("a(" + std::to_string(i) + ").wav"), "");
  EXPECT_EQ(UniqueOutputName("a.wav", dir.dir()), "a(32768).wav");
}

TEST(FileNames, ValidationAndSanitising) {
  EXPECT_FALSE(IsValidFileName(""));
  EXPECT_TRUE(IsValidFileName("My song (live).mp3"));
  for (char c : std::string("\\/:*?\"<>|"))
    EXPECT_FALSE(IsValidFileName(std::string("a") + c + "b")) << c;
  EXPECT_EQ(SanitizeFileName("a/b:c?.mp4"), "a_b_c_.mp4");
  EXPECT_EQ(SanitizeFileName("<\"x\"|*\\>"), "__x_____");
  EXPECT_EQ(SanitizeFileName(""), "");
  EXPECT_EQ(SanitizeFileName("Grüße.mp3"), "Grüße.mp3");
}

TEST(FileNames, SupportedExtensions) {
  EXPECT_TRUE(IsSupportedExtension(".MKV"));
  EXPECT_TRUE(IsSupportedExtension(".rmvb"));
  EXPECT_TRUE(IsSupportedExtension(".Mp3"));
  EXPECT_FALSE(IsSupportedExtension(".webm"));
  EXPECT_FALSE(IsSupportedExtension(".WEBM"));
  EXPECT_FALSE(IsSupportedExtension(".mpeg"));
  EXPECT_FALSE(IsSupportedExtension("mp3"));  // the dot belongs to it
  EXPECT_FALSE(IsSupportedExtension(""));
}

TEST(TextHelpers, TrueTextAndCharacterSets) {
  EXPECT_TRUE(IsTrueText("True"));
  EXPECT_TRUE(IsTrueText("Yes"));
  EXPECT_FALSE(IsTrueText("true"));
  EXPECT_FALSE(IsTrueText("YES"));
  EXPECT_FALSE(IsTrueText("1"));
  EXPECT_FALSE(IsTrueText(""));
  EXPECT_FALSE(IsTrueText(" True"));

  EXPECT_TRUE(ContainsAnyChar("abc", "xc"));
  EXPECT_FALSE(ContainsAnyChar("abc", "xyz"));
  EXPECT_FALSE(ContainsAnyChar("abc", ""));
  EXPECT_FALSE(ContainsAnyChar("", "a"));
}

TEST(TextHelpers, SplitBySeparator) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitBySeparator("a&&b", "&"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitBySeparator("a&b&", "&"), (V{"a", "b"}));
  EXPECT_EQ(SplitBySeparator("&a", "&"), (V{"", "a"}));
  EXPECT_EQ(SplitBySeparator("", "&"), V{});
  EXPECT_EQ(SplitBySeparator("x&itag=5&itag=18", "&itag="), (V{"x", "5", "18"}));
  // Separator comparison is exact and case-sensitive; a partial match at the end is text.
  EXPECT_EQ(SplitBySeparator("a&ITAG=b&ita", "&itag="), (V{"a&ITAG=b&ita"}));
  EXPECT_EQ(SplitBySeparator("abc", ""), (V{"abc"}));
}

TEST(TextHelpers, DecodeHtmlEntities) {
  EXPECT_EQ(DecodeHtmlEntities("&amp;&lt;&gt;&quot;&#39;"), "&<>\"'");
  EXPECT_EQ(DecodeHtmlEntities("Tom &B Jerry"), "Tom &B Jerry");
  EXPECT_EQ(DecodeHtmlEntities("&AMP;"), "&AMP;");
  EXPECT_EQ(DecodeHtmlEntities("a&nbsp;b"), "a b");
  EXPECT_EQ(DecodeHtmlEntities("&#x41;&#X42;&#$43;&#0x44;"), "ABCD");
  // The digits before the first invalid character count.
  EXPECT_EQ(DecodeHtmlEntities("&#65z;!"), "A!");
  // At the end of the text without ";".
  EXPECT_EQ(DecodeHtmlEntities("x&#66"), "xB");
  EXPECT_EQ(DecodeHtmlEntities("&"), "&");
  EXPECT_EQ(DecodeHtmlEntities("&amp"), "&amp");
  // Characters beyond ASCII come out as UTF-8, never longer than the entity.
  EXPECT_EQ(DecodeHtmlEntities("Caf&#233;"), "Caf\xC3\xA9");
  EXPECT_EQ(DecodeHtmlEntities("&#x1F600;"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(DecodeHtmlEntities("&#xD800;"), "\xEF\xBF\xBD");
  for (std::string text : {"&#128", "&#x800;", "&#65536", "&#-1", "&#99999999999;"})
    EXPECT_LE(DecodeHtmlEntities(text).size(), text.size()) << text;
}

TEST(Integers, StrictConversion) {
  EXPECT_EQ(StrToIntStrict("42"), 42);
  EXPECT_EQ(StrToIntStrict("  -7"), -7);
  EXPECT_EQ(StrToIntStrict("+3"), 3);
  EXPECT_EQ(StrToIntStrict("$1F"), 31);
  EXPECT_EQ(StrToIntStrict("x10"), 16);
  EXPECT_EQ(StrToIntStrict("0x10"), 16);
  EXPECT_EQ(StrToIntStrict("-0x10"), -16);
  EXPECT_EQ(StrToIntStrict("2147483647"), 2147483647);
  EXPECT_EQ(StrToIntStrict("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToIntStrict("$FFFFFFFF"), -1);
  for (const char* bad : {"", " ", "abc", "12 ", "1.5", "0x", "$", "-", "2147483648", "$100000000",
                          "99999999999999999999", "1e3", "٣"}) {
    int value = 123;
    EXPECT_FALSE(TryStrToInt(bad, value)) << bad;
    EXPECT_EQ(value, 123);
    EXPECT_THROW(StrToIntStrict(bad), std::invalid_argument) << bad;
  }
  try {
    StrToIntStrict("abc");
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(TimeFormats, MicrosecondsAndSeconds) {
  EXPECT_EQ(FormatMicroseconds(3723456789), "01:02:03.456");
  EXPECT_EQ(FormatMicroseconds(0), "00:00:00.000");
  EXPECT_EQ(FormatMicroseconds(999), "00:00:00.000");
  EXPECT_EQ(FormatMicroseconds(1000), "00:00:00.001");
  EXPECT_EQ(FormatMicroseconds(360000LL * 1000000), "100:00:00.000");
  EXPECT_EQ(FormatSeconds(59), "00:00:59");
  EXPECT_EQ(FormatSeconds(360000), "100:00:00");
  EXPECT_EQ(FormatSeconds(3661), "01:01:01");
  // The smallest values must not overflow.
  EXPECT_FALSE(FormatMicroseconds(INT64_MIN).empty());
  EXPECT_FALSE(FormatSeconds(INT32_MIN).empty());
}

TEST(Layout, GridCells) {
  // W 520, L 10, HG 2, CW 62: (520 - 10 - 2) / 62 = 8 columns.
  GridRect cell = LayoutGridCell(520, 5, 10, 9, 62, 57, 3, 2);
  EXPECT_EQ(cell.left, 74);
  EXPECT_EQ(cell.top, 65);
  EXPECT_EQ(cell.right, 74 + 64);
  EXPECT_EQ(cell.bottom, 65 + 60);
  EXPECT_EQ(LayoutGridCell(520, 5, 10, 7, 62, 57, 3, 2).left, 10 + 7 * 64);
  EXPECT_EQ(LayoutGridCell(520, 5, 10, 8, 62, 57, 3, 2).left, 10);
  // Too narrow for one column: one column all the same; no division by zero.
  GridRect narrow = LayoutGridCell(50, 0, 10, 3, 62, 57, 3, 2);
  EXPECT_EQ(narrow.left, 10);
  EXPECT_EQ(narrow.top, 3 * 60);
  EXPECT_EQ(LayoutGridCell(520, 0, 0, 4, 0, 10, 0, 0).top, 40);
  // The class-button row: width 555, top 135, left 18, cells of 171 x 32.
  EXPECT_EQ(LayoutGridCell(555, 135, 18, 2, 171, 32, 0, 0).left, 18 + 2 * 171);
}

TEST(ShellFolders, ConfigurationFolder) {
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/srv/cfg/");
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(ReadShellFolder("AppData"), "/srv/cfg");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(ReadShellFolder("AppData"), "/home/u/.config");
    EXPECT_EQ(ReadShellFolder("Nonsense"), "/home/u");
  }
  {
    // A relative XDG_CONFIG_HOME is not valid and is ignored.
    ScopedEnv config("XDG_CONFIG_HOME", "relative");
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(ReadShellFolder("AppData"), "/home/u/.config");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", std::nullopt);
    EXPECT_EQ(ReadShellFolder("AppData"), "/");
    EXPECT_EQ(ReadShellFolder("Personal"), "/");
  }
}

TEST(ShellFolders, DocumentsFolder) {
  TempDir home;
  ScopedEnv home_env("HOME", home.path().string() + "/");
  ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv documents_env("XDG_DOCUMENTS_DIR", std::nullopt);
  // The usual name, also before the folder exists.
  EXPECT_EQ(ReadShellFolder("Personal"), (home / "Documents").string());
  // The user-dirs.dirs entry wins over the usual name.
  std::filesystem::create_directories(home / ".config");
  WriteFile(home / ".config/user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
            "  XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\r\n");
  EXPECT_EQ(ReadShellFolder("Personal"), (home / "Dokumente").string());
  // An entry of "$HOME/" means no documents folder of its own.
  WriteFile(home / ".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/\"\n");
  EXPECT_EQ(ReadShellFolder("Personal"), home.path().string());
  // A relative entry is not valid.
  WriteFile(home / ".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"docs\"\n");
  EXPECT_EQ(ReadShellFolder("Personal"), (home / "Documents").string());
  {
    ScopedEnv explicit_dir("XDG_DOCUMENTS_DIR", "/srv/docs/");
    EXPECT_EQ(ReadShellFolder("Personal"), "/srv/docs");
  }
}

TEST(ProgramFiles, ExecutableFolderAndConfiguration) {
  std::string dir = ExecutableDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(std::filesystem::is_directory(dir));
  EXPECT_EQ(ConfigFilePath(), dir + "lamecore.dll");
}

TEST(ProgramFiles, ReadFileBytesReportsTheFile) {
  TempDir dir;
  WriteFile(dir / "b.bin", std::string("a\0b\xFF", 4));
  EXPECT_EQ(ReadFileBytes((dir / "b.bin").string()), std::string("a\0b\xFF", 4));
  try {
    ReadFileBytes((dir / "missing").string());
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + (dir / "missing").string()),
              std::string::npos)
        << e.what();
  }
  EXPECT_THROW(ReadFileBytes(dir.path().string()), std::runtime_error);
}

}  // namespace
}  // namespace tallowin
