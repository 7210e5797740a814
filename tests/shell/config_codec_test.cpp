#include "shell/config_codec.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/test_support.h"

namespace tallowin {
namespace {

using test::BinDir;
using test::ReadFile;
using test::RunProcess;
using test::SourceDir;
using test::TempDir;
using test::WriteFile;

std::string Complemented(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(255 - static_cast<unsigned char>(c));
  return out;
}

TEST(ConfigCodec, LinesAreComplementedBreaksKept) {
  EXPECT_EQ(DecodeConfigLine(Complemented("Name=Tallowin")), "Name=Tallowin");
  EXPECT_EQ(DecodeConfigLine(std::string("\x00\xFF", 2)), std::string("\xFF\x00", 2));
  EXPECT_EQ(DecodeConfigLine(""), "");

  const std::string text = "[SYSTEM]\r\nName=Caf\xC3\xA9\nSkin=0\rLast";
  const std::string stored = EncodeConfigText(text);
  EXPECT_EQ(stored, Complemented("[SYSTEM]") + "\r\n" + Complemented("Name=Caf\xC3\xA9") + "\n" +
                        Complemented("Skin=0") + "\r" + Complemented("Last"));
  EXPECT_EQ(DecodeConfigText(stored), text);
  EXPECT_EQ(SplitConfigLines(stored).size(), 4u);
  EXPECT_EQ(SplitConfigLines("a\r\n\r\nb\n").size(), 3u);  // the empty line counts
}

TEST(ConfigCodec, BytesThatWouldBreakLinesAreRefused) {
  // 0xF2 and 0xF5 are stored as CR and LF and would end the line.
  try {
    EncodeConfigText(
        "[SYSTEM]\nName=a\xF2"
        "b\n");
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("Line 2"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("0xF2"), std::string::npos) << e.what();
  }
  EXPECT_THROW(EncodeConfigText("\xF5"), std::invalid_argument);
  // A stored CR or LF always ends a line.
  std::vector<std::string> lines = SplitConfigLines(Complemented("ab") + "\r" + Complemented("c"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(DecodeConfigLine(lines[1]), "c");
}

TEST(ConfigCodec, ReadsAStoredFile) {
  TempDir dir;
  WriteFile(dir / "lamecore.dll",
            EncodeConfigText("; edition\r\n[system]\r\nname = Soundsift\r\nDownload=Yes\r\n"));
  IniFile config = ReadConfigFile((dir / "lamecore.dll").string());
  EXPECT_EQ(config.ReadString("SYSTEM", "Name"), "Soundsift");
  EXPECT_EQ(config.ReadString("SYSTEM", "DOWNLOAD"), "Yes");
  try {
    ReadConfigFile((dir / "missing.dll").string());
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("missing.dll"), std::string::npos);
  }
}

TEST(ConfigCommand, EncodeDecodeRoundTrip) {
  TempDir dir;
  const std::string cli = (BinDir() / "tallowin-cli").string();
  const std::string plain = "[SYSTEM]\r\nName=Tallowin Video Converter\r\nSkin=0\nAVI=True\n";
  WriteFile(dir / "edition.ini", plain);

  auto encoded = RunProcess({cli, "config", "encode", (dir / "edition.ini").string(), "-o",
                             (dir / "lamecore.dll").string()});
  ASSERT_EQ(encoded.exit_code, 0) << encoded.output;
  EXPECT_EQ(ReadFile(dir / "lamecore.dll"), EncodeConfigText(plain));

  auto decoded = RunProcess({cli, "config", "decode", (dir / "lamecore.dll").string()});
  ASSERT_EQ(decoded.exit_code, 0) << decoded.output;
  EXPECT_EQ(decoded.output, plain);

  // Without -o the stored form goes to standard output.
  auto to_stdout = RunProcess({cli, "config", "encode", (dir / "edition.ini").string()});
  ASSERT_EQ(to_stdout.exit_code, 0);
  EXPECT_EQ(to_stdout.output, EncodeConfigText(plain));
}

TEST(ConfigCommand, ErrorsAreReportedAndNothingIsOverwritten) {
  TempDir dir;
  const std::string cli = (BinDir() / "tallowin-cli").string();
  WriteFile(dir / "bad.ini", "[SYSTEM]\nName=\xF5\n");
  WriteFile(dir / "out.dll", "keep");
  auto refused = RunProcess(
      {cli, "config", "encode", (dir / "bad.ini").string(), "-o", (dir / "out.dll").string()});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.output.find("0xF5"), std::string::npos) << refused.output;
  EXPECT_EQ(ReadFile(dir / "out.dll"), "keep");

  auto missing = RunProcess({cli, "config", "decode", (dir / "none.dll").string()});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.output.find("Cannot open file"), std::string::npos) << missing.output;

  EXPECT_EQ(RunProcess({cli, "config", "shuffle", (dir / "bad.ini").string()}).exit_code, 2);
  EXPECT_EQ(RunProcess({cli, "config"}).exit_code, 2);
}

TEST(ConfigCommand, BuiltConfigurationIsTheChosenEdition) {
  auto decoded = RunProcess({(BinDir() / "tallowin-cli").string(), "config", "decode",
                             (BinDir() / "lamecore.dll").string()});
  ASSERT_EQ(decoded.exit_code, 0) << decoded.output;
  IniFile built = IniFile::FromText(decoded.output);
  std::string name = built.ReadString("SYSTEM", "Name");
  bool matched = false;
  for (const char* edition : {"full", "soundsift", "clipharbor", "merge"}) {
    std::string source =
        ReadFile(SourceDir() / "assets/editions" / (std::string(edition) + ".ini"));
    if (source == decoded.output) matched = true;
  }
  EXPECT_TRUE(matched) << "lamecore.dll does not decode to any edition file; Name=" << name;
}

}  // namespace
}  // namespace tallowin
