// The files the build places beside the program: pictures, icon, sounds, configuration.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <cstring>
#include <filesystem>

#include "shell/config_codec.h"
#include "shell/product_config.h"
#include "support/test_support.h"

namespace tallowin {
namespace {

using test::BinDir;
using test::ReadFile;

uint32_t U32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
  return value;
}

uint16_t U16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

TGlobalVars BuiltEdition() {
  TGlobalVars vars;
  ReadProductConfiguration(ReadConfigFile((BinDir() / "lamecore.dll").string()), vars);
  return vars;
}

TEST(RuntimeFiles, EverythingBesideTheProgram) {
  EXPECT_TRUE(std::filesystem::is_regular_file(BinDir() / "tallowin"));
  EXPECT_TRUE(std::filesystem::is_directory(BinDir() / "lib"));
  EXPECT_TRUE(std::filesystem::is_regular_file(BinDir() / "icon.ico"));
  TGlobalVars vars = BuiltEdition();
  const std::filesystem::path skin = BinDir() / "sounds" / vars.ResFolder;
  for (const char* name : kSkinImageFiles) {
    QImage image(QString::fromStdString((skin / name).string()));
    EXPECT_FALSE(image.isNull()) << name;
  }
}

TEST(RuntimeFiles, SkinPicturesFitTheLayout) {
  const std::filesystem::path skin = BinDir() / "sounds" / BuiltEdition().ResFolder;
  auto load = [&](const char* name) {
    return QImage(QString::fromStdString((skin / name).string()));
  };
  QImage main = load("main.bmp");
  ASSERT_FALSE(main.isNull());
  EXPECT_EQ(main.size(), QSize(780, 560));
  const QRgb fuchsia = qRgb(0xFF, 0x00, 0xFF);
  // Corners are transparent, the inside is not; no pixel is almost fuchsia (a visible fringe).
  EXPECT_EQ(main.pixel(0, 0) & 0xFFFFFF, fuchsia & 0xFFFFFF);
  EXPECT_EQ(main.pixel(779, 559) & 0xFFFFFF, fuchsia & 0xFFFFFF);
  EXPECT_NE(main.pixel(390, 280) & 0xFFFFFF, fuchsia & 0xFFFFFF);
  int fringe = 0;
  for (int y = 0; y < main.height(); ++y)
    for (int x = 0; x < main.width(); ++x) {
      QRgb p = main.pixel(x, y);
      if ((p & 0xFFFFFF) != (fuchsia & 0xFFFFFF) && qRed(p) > 200 && qBlue(p) > 200 &&
          qGreen(p) < 100)
        ++fringe;
    }
  EXPECT_EQ(fringe, 0);
  for (const char* name :
       {"min_1.bmp", "min_2.bmp", "min_3.bmp", "close_1.bmp", "close_2.bmp", "close_3.bmp"})
    EXPECT_EQ(load(name).size(), QSize(30, 24)) << name;
  for (const char* name : {"bottom_1.bmp", "bottom_2.bmp", "bottom_3.bmp", "bottom_4.bmp"}) {
    QImage button = load(name);
    EXPECT_EQ(button.size(), QSize(90, 32)) << name;
    // Dark captions need a light face.
    EXPECT_GT(qGray(button.pixel(45, 16)), 180) << name;
  }
  EXPECT_TRUE(load("toplogo.png").hasAlphaChannel());
  EXPECT_EQ(load("leftlogo.png").size(), QSize(172, 372));
}

TEST(RuntimeFiles, IconIsAnIcoOfPngImages) {
  std::string ico = ReadFile(BinDir() / "icon.ico");
  ASSERT_GE(ico.size(), 6u);
  EXPECT_EQ(U16(ico, 0), 0);
  EXPECT_EQ(U16(ico, 2), 1);
  uint16_t count = U16(ico, 4);
  ASSERT_GE(count, 3);
  bool has_256 = false;
  for (uint16_t i = 0; i < count; ++i) {
    size_t entry = 6 + 16u * i;
    ASSERT_LE(entry + 16, ico.size());
    uint32_t size = U32(ico, entry + 8), offset = U32(ico, entry + 12);
    ASSERT_LE(static_cast<size_t>(offset) + size, ico.size());
    EXPECT_EQ(ico.compare(offset + 1, 3, "PNG"), 0) << i;
    QImage image = QImage::fromData(reinterpret_cast<const uchar*>(ico.data() + offset),
                                    static_cast<int>(size), "PNG");
    ASSERT_FALSE(image.isNull());
    int stored = static_cast<unsigned char>(ico[entry]);
    EXPECT_EQ(stored == 0 ? 256 : stored, image.width());
    if (image.width() == 256) has_256 = true;
  }
  EXPECT_TRUE(has_256);
  // Qt reads it as an icon too (when its image plug-in is present).
  if (QImageReader::supportedImageFormats().contains("ico")) {
    EXPECT_FALSE(QImage(QString::fromStdString((BinDir() / "icon.ico").string())).isNull());
  }
}

TEST(RuntimeFiles, FinishSoundsArePcmWaves) {
  for (const char* name : {"done.wav", "fail.wav"}) {
    SCOPED_TRACE(name);
    std::string wav = ReadFile(BinDir() / "sounds" / name);
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(wav, 4), wav.size() - 8);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U16(wav, 20), 1);  // PCM
    uint32_t rate = U32(wav, 24);
    EXPECT_EQ(U16(wav, 34), 16);
    uint32_t data = U32(wav, 40);
    EXPECT_EQ(data, wav.size() - 44);
    double seconds = static_cast<double>(data) / (rate * 2.0 * U16(wav, 22));
    EXPECT_GT(seconds, 0.2);
    EXPECT_LT(seconds, 2.0);
    // Audible, not clipped, and silent at the very end (no click).
    int peak = 0;
    for (size_t i = 44; i + 1 < wav.size(); i += 2)
      peak = std::max(peak, std::abs(static_cast<int16_t>(U16(wav, i))));
    EXPECT_GT(peak, 8000);
    EXPECT_LT(peak, 32767);
    EXPECT_LT(std::abs(static_cast<int16_t>(U16(wav, wav.size() - 2))), 200);
  }
}

}  // namespace
}  // namespace tallowin
