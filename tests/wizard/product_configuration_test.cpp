// The product configuration applied to the main window: skin layouts, format and class button
// packing, edition titles, and the start-up failures.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <filesystem>

#include "shell/global_vars.h"
#include "shell/user_settings.h"
#include "ui/image_combo_box.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "ui/picture_label.h"
#include "wizard/window_messages.h"
#include "wizard_env.h"

namespace tallowin::test {
namespace {

namespace fs = std::filesystem;

QPoint At(const QWidget* widget) {
  return widget->pos();
}

TEST(ProductConfiguration, FullEditionPacksEveryButtonAndCentresOnFirstStart) {
  WizardEnv env;
  TFormMain& form = env.Create();
  ASSERT_EQ(form.CreateError(), "");
  // Nine video buttons share one row between the page margins; the other pages use the same
  // cells, and the class buttons span the same width.
  EXPECT_EQ(form.ButtonFormatAVI->geometry(), QRect(18, 5, 55, 57));
  EXPECT_EQ(At(form.ButtonFormatMP4), QPoint(76, 5));
  EXPECT_EQ(At(form.ButtonFormat3GP), QPoint(482, 5));
  EXPECT_EQ(At(form.ButtonFormatiPod), QPoint(18, 5));
  EXPECT_EQ(At(form.ButtonFormatAndroid), QPoint(424, 5));
  for (int c = 0; c < 3; ++c) EXPECT_FALSE(form.ClassButton(c)->isHidden());
  EXPECT_EQ(form.ButtonToFormatVideo->geometry(), QRect(18, 135, 173, 32));
  EXPECT_EQ(At(form.ButtonToFormatDevice), QPoint(191, 135));
  EXPECT_EQ(At(form.ButtonToFormatAudio), QPoint(364, 135));
  const int right = form.RzPageControlToFormat->width() - TFormMain::kStep2Margin;
  EXPECT_EQ(form.ButtonFormat3GP->geometry().right() + 1, right);
  EXPECT_EQ(form.ButtonToFormatAudio->geometry().right() + 1, right);
  EXPECT_EQ(form.LabelConvertTo->x(), TFormMain::kStep2Margin);
  EXPECT_EQ(form.LabelPresetsVideo->x(), TFormMain::kStep2Margin);
  EXPECT_EQ(form.ImageComboBoxMP4Presets->geometry().right() + 1, right);
  // One caption size on every format button, small enough for the longest caption.
  const qreal size = form.ButtonFormatAVI->font().pointSizeF();
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; form.FormatButton(c, i) != nullptr; ++i) {
      ui::TPictureButton* b = form.FormatButton(c, i);
      EXPECT_EQ(b->font().pointSizeF(), size) << b->objectName().toStdString();
      QFont bold = b->font();
      bold.setBold(true);
      // Unless the smallest size is reached, every caption fits.
      if (size > 7) {
        EXPECT_LE(QFontMetrics(bold).horizontalAdvance(b->text()), b->width() - 6)
            << b->objectName().toStdString();
      }
    }
  }
  EXPECT_EQ(form.RzPageControlToFormat->y(), 172);
  // The configuration's default selection: video class, MP4, iPod, MP3.
  EXPECT_EQ(GlobalVars().OutputFormatClass, 0);
  EXPECT_EQ(GlobalVars().OutputVideoFormat, 1);
  EXPECT_EQ(GlobalVars().OutputAudioFormat, 1);
  EXPECT_EQ(form.LabelVersion->text().toStdString(), "Version: 1.0.0");
  EXPECT_EQ(form.windowTitle().toStdString(), "Tallowin Video Converter");
  EXPECT_EQ(form.LabelFinishTitle1->text().toStdString(),
            "Tallowin Video Converter has finished the conversion.");
  EXPECT_EQ(form.LabelFinishedDownloading2->text().toStdString(),
            "To convert other files, click \"Finish\". Click \"Exit\" to quit Tallowin Video "
            "Converter.");
  // The window takes the size of its background picture.
  EXPECT_EQ(form.size(), QSize(780, 560));

  // First start: the settings file was written and the window centred.
  EXPECT_TRUE(fs::exists(env.ConfigHome() + "Tallowin Video Converter/~system2.dat"));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(form.x(), std::max(0, (screen.width() - form.width()) / 2));
  EXPECT_TRUE(form.IsClipboardWatched());
}

// The columns of `image` that hold any visible pixel, as [first, last]; {-1, -1} for none.
std::pair<int, int> InkedColumns(const QImage& image) {
  int first = -1, last = -1;
  for (int x = 0; x < image.width(); ++x) {
    for (int y = 0; y < image.height(); ++y) {
      if (qAlpha(image.pixel(x, y)) > 0) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

TEST(ProductConfiguration, TheLogoCarriesTheConfiguredName) {
  QPixmap blank(300, 36);
  blank.fill(Qt::transparent);
  EXPECT_EQ(TFormMain::TopLogoWithName(blank, "").toImage(), blank.toImage());
  const auto [first, last] = InkedColumns(TFormMain::TopLogoWithName(blank, "Soundsift").toImage());
  EXPECT_GE(first, TFormMain::kTopLogoNameLeft);
  EXPECT_LT(last, 200);
  // A name too long for the picture is cut before its right edge, not drawn past it.
  const QImage long_name =
      TFormMain::TopLogoWithName(blank, QString(80, QLatin1Char('W'))).toImage();
  EXPECT_LT(InkedColumns(long_name).second, 300 - 3);
  EXPECT_GT(InkedColumns(long_name).second, 250);

  // Each edition's window shows its own name, whatever the shared skin folder holds.
  for (const char* name : {"Soundsift", "Clipharbor", "Tallowin Video Converter"}) {
    WizardEnv env(Config{{"Name", name}});
    TFormMain& form = env.Create();
    ASSERT_EQ(form.CreateError(), "");
    QPixmap mark;
    ASSERT_TRUE(mark.load(QString::fromStdString(env.SkinDir() + "toplogo.png")));
    EXPECT_EQ(form.ImageTopLogo->pixmap().toImage(),
              TFormMain::TopLogoWithName(mark, name).toImage())
        << name;
    // The skin's picture itself carries the mark only: nothing right of it.
    EXPECT_LT(InkedColumns(mark.toImage()).second, TFormMain::kTopLogoNameLeft) << name;
  }
}

TEST(ProductConfiguration, OnlyMp3LeavesOneButtonAndNoClassButtons) {
  WizardEnv env(OnlyFormats({"MP3"}));
  TFormMain& form = env.Create();
  ASSERT_EQ(form.CreateError(), "");
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; form.FormatButton(c, i) != nullptr; ++i) {
      EXPECT_EQ(form.FormatButton(c, i)->isHidden(), !(c == 2 && i == 1)) << c << "/" << i;
    }
    EXPECT_TRUE(form.ClassButton(c)->isHidden());
  }
  EXPECT_EQ(At(form.ButtonFormatMP3), QPoint(18, 5));
  EXPECT_EQ(form.RzPageControlToFormat->y(), 120);
  // Without class buttons the caption moves up, clear of the format panel.
  EXPECT_FALSE(form.LabelConvertTo->isHidden());
  EXPECT_LE(form.LabelConvertTo->geometry().bottom(), 120);
  EXPECT_GE(form.LabelConvertTo->y(), 96);
}

TEST(ProductConfiguration, TwoClassesKeepTheirButtonsInOrder) {
  auto flags = OnlyFormats({"IPAD", "WAV", "FLAC"});
  WizardEnv env(flags);
  TFormMain& form = env.Create();
  EXPECT_TRUE(form.ButtonToFormatVideo->isHidden());
  EXPECT_EQ(form.ButtonToFormatDevice->geometry(), QRect(18, 135, 259, 32));
  EXPECT_EQ(At(form.ButtonToFormatAudio), QPoint(277, 135));
  EXPECT_EQ(form.RzPageControlToFormat->y(), 172);
  EXPECT_LT(form.LabelConvertTo->geometry().bottom(), 135);
  // Few buttons keep the full cell width.
  EXPECT_EQ(form.ButtonFormatiPad->geometry(), QRect(18, 5, 62, 57));
  EXPECT_EQ(At(form.ButtonFormatWAV), QPoint(18, 5));
  EXPECT_EQ(At(form.ButtonFormatFLAC), QPoint(83, 5));
}

TEST(ProductConfiguration, Skin3Layout) {
  WizardEnv env(Config{{"Skin", "3"}});
  TFormMain& form = env.Create();
  ASSERT_EQ(form.CreateError(), "");
  EXPECT_TRUE(form.ButtonMin->isHidden());
  EXPECT_TRUE(form.ButtonClose->isHidden());
  EXPECT_EQ(At(form.ButtonHelp), QPoint(10, 515));
  EXPECT_EQ(At(form.ButtonLog), QPoint(120, 515));
  EXPECT_EQ(At(form.ButtonBack), QPoint(350, 515));
  EXPECT_EQ(At(form.ButtonNext), QPoint(460, 515));
  EXPECT_EQ(At(form.ButtonExit), QPoint(665, 515));
  EXPECT_EQ(At(form.PageControlMain), QPoint(203, 74));
  EXPECT_EQ(At(form.LabelTitle), QPoint(215, 55));
  form.LabelTitle->ensurePolished();
  form.LabelVersion->ensurePolished();
  EXPECT_FALSE(form.LabelTitle->font().bold());
  EXPECT_EQ(form.LabelVersion->y(), 165);
  EXPECT_EQ(form.LabelMoreTools->y(), 180);
  EXPECT_EQ(form.LabelVersion->palette().color(QPalette::WindowText), QColor(Qt::white));
  for (auto* button :
       {form.ButtonHelp, form.ButtonLog, form.ButtonBack, form.ButtonNext, form.ButtonExit}) {
    EXPECT_TRUE(button->IsTransparent());
    EXPECT_EQ(button->CaptionColor(), QColor(Qt::white));
  }
  // The help menu opens right below the Help button.
  form.move(100, 50);
  EXPECT_EQ(form.HelpMenuPosition(), QPoint(100 + 10, 50 + 515 + form.ButtonHelp->height()));
}

TEST(ProductConfiguration, UnknownSkinKeepsTheDesignLayout) {
  for (const char* skin : {"0", "7"}) {
    WizardEnv env(Config{{"Skin", skin}});
    TFormMain& form = env.Create();
    ASSERT_EQ(form.CreateError(), "");
    EXPECT_FALSE(form.ButtonMin->isHidden());
    EXPECT_EQ(At(form.ButtonMin), QPoint(696, 4));
    EXPECT_EQ(At(form.ButtonClose), QPoint(728, 4));
    EXPECT_EQ(At(form.ButtonHelp), QPoint(40, 510));
    EXPECT_EQ(At(form.ButtonExit), QPoint(672, 510));
    EXPECT_EQ(At(form.LabelTitle), QPoint(24, 43));
    form.LabelTitle->ensurePolished();
    form.LabelVersion->ensurePolished();
    EXPECT_TRUE(form.LabelTitle->font().bold());
    EXPECT_EQ(form.LabelVersion->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    EXPECT_FALSE(form.ButtonNext->IsTransparent());
  }
}

TEST(ProductConfiguration, Skin2MovesTheHelpMenu) {
  WizardEnv env(Config{{"Skin", "2"}});
  TFormMain& form = env.Create();
  form.move(0, 0);
  EXPECT_EQ(At(form.PageControlMain), QPoint(198, 74));
  EXPECT_EQ(form.HelpMenuPosition(), QPoint(40 + 5, 513 + form.ButtonHelp->height()));
}

TEST(ProductConfiguration, EditionTitlesHideHelpAndLog) {
  for (const char* title : {"Soundsift", "Clipharbor", "soundsift"}) {
    WizardEnv env(Config{{"Name", title}});
    TFormMain& form = env.Create();
    const bool hidden = std::string(title) != "soundsift";
    EXPECT_EQ(form.ButtonHelp->isHidden(), hidden) << title;
    EXPECT_EQ(form.ButtonLog->isHidden(), hidden) << title;
    EXPECT_EQ(form.LabelVersion->isHidden(), hidden) << title;
    EXPECT_EQ(form.LabelMoreTools->isHidden(), hidden) << title;
  }
}

// A failure that stops FormCreate: shown once, and the window is never brought up.
void ExpectStoppedStartUp(WizardEnv& env, TFormMain& form, const std::string& needle) {
  EXPECT_NE(form.CreateError().find(needle), std::string::npos) << form.CreateError();
  ASSERT_EQ(env.fake.messages.size(), 1u);
  EXPECT_EQ(env.fake.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(env.fake.messages[0].text, form.CreateError());
  EXPECT_FALSE(form.IsClipboardWatched());
  QCoreApplication::processEvents();
  EXPECT_FALSE(form.isVisible());
  // Nothing was written for the user, not even when the window closes: the settings were never
  // read, so there is nothing of the user's to save (and no folder to save it in).
  const bool stray_before = fs::exists("~system2.dat");
  form.close();
  EXPECT_FALSE(fs::exists(env.ConfigHome() + "Tallowin Video Converter/~system2.dat"));
  EXPECT_EQ(fs::exists("~system2.dat"), stray_before);
  EXPECT_EQ(env.fake.messages.size(), 1u);
}

TEST(ProductConfiguration, MissingPictureStopsTheStartUp) {
  WizardEnv env;
  fs::remove(env.SkinDir() + "bottom_3.bmp");
  TFormMain& form = env.Create();
  ExpectStoppedStartUp(env, form, env.SkinDir() + "bottom_3.bmp");
}

TEST(ProductConfiguration, DamagedPictureStopsTheStartUp) {
  WizardEnv env;
  WriteFile(env.SkinDir() + "main.bmp", "BM not really a picture");
  TFormMain& form = env.Create();
  ExpectStoppedStartUp(env, form, "main.bmp");
}

TEST(ProductConfiguration, NonNumericSkinStopsTheStartUp) {
  WizardEnv env(Config{{"Skin", "abc"}});
  TFormMain& form = env.Create();
  ExpectStoppedStartUp(env, form, "'abc' is not a valid integer value");
}

TEST(ProductConfiguration, MissingConfigurationStopsTheStartUp) {
  WizardEnv env;
  fs::remove(env.ProgramDir() + "lamecore.dll");
  TFormMain& form = env.Create();
  ExpectStoppedStartUp(env, form, "lamecore.dll");
}

TEST(ProductConfiguration, ShowMessageBringsTheWindowUp) {
  WizardEnv env;
  TFormMain& form = env.Create();
  EXPECT_FALSE(form.isVisible());
  QCoreApplication::processEvents();
  EXPECT_TRUE(form.isVisible());
}

TEST(ProductConfiguration, StoredWindowPositionIsRestored) {
  WizardEnv env;
  fs::create_directories(env.ConfigHome() + "Tallowin Video Converter");
  WriteFile(env.ConfigHome() + "Tallowin Video Converter/~system2.dat",
            "[Form]\nx=7\ny=-40\nwidth=780\nheight=560\n[System]\nOutputFormatClass=257\n");
  TFormMain& form = env.Create();
  EXPECT_EQ(form.pos(), QPoint(7, 0));
  EXPECT_EQ(GlobalVars().OutputFormatClass, 1);
}

}  // namespace
}  // namespace tallowin::test
