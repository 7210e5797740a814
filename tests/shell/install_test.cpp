// The installed program: the build installed into a temporary DESTDIR (and packaged as a Debian
// package) runs from there, finds its files beside its real path, writes nothing beside itself,
// and ships a desktop entry, icons and metainfo that the desktop's validators accept.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace tallowin::test {
namespace {

bool HaveTool(const std::string& name) {
  return RunProcess({"sh", "-c", "command -v " + name}).exit_code == 0;
}

// Every path below `root`, relative to it.
std::set<std::string> Listing(const fs::path& root) {
  std::set<std::string> paths;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    paths.insert(fs::relative(entry.path(), root).string());
  return paths;
}

// Starts an installed program offscreen with a fresh home; it saves its pages and ends.
ProcessResult StartOffscreen(const fs::path& program, const TempDir& home) {
  return RunProcess({"env", "HOME=" + home.dir(), "XDG_CONFIG_HOME=" + home.dir() + "config",
                     "QT_QPA_PLATFORM=offscreen", "TALLOWIN_GRAB_PAGES=" + home.dir() + "pages",
                     program.string()},
                    120);
}

void ExpectProgramRuns(const fs::path& usr, const TempDir& home) {
  const fs::path program_dir = usr / "lib/tallowin";
  const std::set<std::string> before = Listing(program_dir);
  // From another working folder, through the link in bin.
  const ProcessResult version = RunProcess({(usr / "bin/tallowin").string(), "--version"});
  EXPECT_EQ(version.exit_code, 0) << version.output;
  EXPECT_EQ(version.output, "Tallowin Video Converter 1.0.0\n");
  const ProcessResult probe =
      RunProcess({(usr / "bin/tallowin-cli").string(), "probe", StandardClip().string()});
  EXPECT_EQ(probe.exit_code, 0) << probe.output;
  EXPECT_NE(probe.output.find("640"), std::string::npos) << probe.output;

  const ProcessResult started = StartOffscreen(usr / "bin/tallowin", home);
  EXPECT_EQ(started.exit_code, 0) << started.output;
  EXPECT_TRUE(fs::exists(home.path() / "pages/page-Mode.png"));
  EXPECT_TRUE(fs::exists(home.path() / "config/Tallowin Video Converter/~system2.dat"));
  EXPECT_EQ(Listing(program_dir), before) << "the program wrote beside itself";
}

class InstallTest : public ::testing::Test {
 protected:
  static fs::path BuildDir() { return BinDir().parent_path(); }
};

TEST_F(InstallTest, InstalledTreeRunsAndItsDesktopFilesValidate) {
  TempDir destdir;
  const ProcessResult install = RunProcess({"env", "DESTDIR=" + destdir.dir(), "cmake", "--install",
                                            BuildDir().string(), "--prefix", "/usr"},
                                           300);
  ASSERT_EQ(install.exit_code, 0) << install.output;
  const fs::path usr = destdir.path() / "usr";
  for (const char* file :
       {"lib/tallowin/tallowin", "lib/tallowin/tallowin-cli", "lib/tallowin/lamecore.dll",
        "lib/tallowin/icon.ico", "lib/tallowin/sounds/done.wav", "lib/tallowin/sounds/fail.wav",
        "lib/tallowin/sounds/skin0/toplogo.png", "share/applications/tallowin.desktop",
        "share/metainfo/org.tallowin.tallowin.metainfo.xml"})
    EXPECT_TRUE(fs::exists(usr / file)) << file;
  EXPECT_TRUE(fs::is_directory(usr / "lib/tallowin/lib"));
  EXPECT_TRUE(fs::is_symlink(usr / "bin/tallowin"));
  EXPECT_EQ(fs::read_symlink(usr / "bin/tallowin"), "../lib/tallowin/tallowin");
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const fs::path icon = usr / ("share/icons/hicolor/" + std::to_string(size) + "x" +
                                 std::to_string(size) + "/apps/tallowin.png");
    EXPECT_TRUE(fs::exists(icon)) << icon;
  }
  const std::string entry = ReadFile(usr / "share/applications/tallowin.desktop");
  for (const char* line :
       {"Name=Tallowin Video Converter\n", "GenericName=Video Converter\n", "Exec=tallowin %F\n",
        "Icon=tallowin\n", "Categories=AudioVideo;Video;AudioVideoEditing;\n"})
    EXPECT_NE(entry.find(line), std::string::npos) << line;
  EXPECT_NE(entry.find("video/mp4;"), std::string::npos);
  EXPECT_NE(entry.find("audio/mpeg;"), std::string::npos);
  EXPECT_EQ(entry.find(";;"), std::string::npos);

  if (HaveTool("desktop-file-validate")) {
    const ProcessResult valid = RunProcess(
        {"desktop-file-validate", (usr / "share/applications/tallowin.desktop").string()});
    EXPECT_EQ(valid.exit_code, 0) << valid.output;
    EXPECT_EQ(valid.output, "");
  } else {
    ADD_FAILURE() << "desktop-file-validate is missing (scripts/bootstrap installs it)";
  }
  if (HaveTool("appstreamcli")) {
    const ProcessResult valid =
        RunProcess({"appstreamcli", "validate", "--no-net",
                    (usr / "share/metainfo/org.tallowin.tallowin.metainfo.xml").string()});
    EXPECT_EQ(valid.exit_code, 0) << valid.output;
  } else {
    ADD_FAILURE() << "appstreamcli is missing (scripts/bootstrap installs it)";
  }

  TempDir home;
  ExpectProgramRuns(usr, home);
}

TEST_F(InstallTest, DebianPackageHoldsTheProgramAndItsDesktopFiles) {
  if (!HaveTool("dpkg-deb")) GTEST_SKIP() << "dpkg-deb is not on this machine";
  TempDir out;
  const ProcessResult pack =
      RunProcess({"cpack", "-G", "DEB", "--config", (BuildDir() / "CPackConfig.cmake").string(),
                  "-B", out.dir()},
                 600);
  ASSERT_EQ(pack.exit_code, 0) << pack.output;
  std::vector<fs::path> debs;
  for (const auto& entry : fs::directory_iterator(out.path()))
    if (entry.path().extension() == ".deb") debs.push_back(entry.path());
  ASSERT_EQ(debs.size(), 1u);
  EXPECT_EQ(debs[0].filename().string().rfind("tallowin_1.0.0_", 0), 0u) << debs[0];

  const ProcessResult listing = RunProcess({"dpkg-deb", "-c", debs[0].string()});
  for (const char* path : {"./usr/lib/tallowin/tallowin", "./usr/lib/tallowin/lamecore.dll",
                           "./usr/bin/tallowin ->", "./usr/share/applications/tallowin.desktop",
                           "./usr/share/icons/hicolor/256x256/apps/tallowin.png",
                           "./usr/share/metainfo/org.tallowin.tallowin.metainfo.xml"})
    EXPECT_NE(listing.output.find(path), std::string::npos) << path << "\n" << listing.output;
  const ProcessResult fields =
      RunProcess({"dpkg-deb", "-f", debs[0].string(), "Package", "Depends", "Conflicts"});
  EXPECT_NE(fields.output.find("Package: tallowin\n"), std::string::npos) << fields.output;
  EXPECT_NE(fields.output.find("libavcodec-extra59"), std::string::npos);
  EXPECT_NE(fields.output.find("libqt6widgets6"), std::string::npos);
  EXPECT_NE(fields.output.find("tallowin-soundsift"), std::string::npos);

  TempDir root;
  const ProcessResult unpack = RunProcess({"dpkg-deb", "-x", debs[0].string(), root.dir()});
  ASSERT_EQ(unpack.exit_code, 0) << unpack.output;
  TempDir home;
  ExpectProgramRuns(root.path() / "usr", home);
}

}  // namespace
}  // namespace tallowin::test
