// The About dialog: its texts, the skin-3 variant, a missing picture and the link clicks.
#include <gtest/gtest.h>

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "shell/fake_platform.h"
#include "shell/form_about.h"
#include "shell/global_vars.h"
#include "support/test_support.h"
#include "ui/picture_label.h"

namespace tallowin::test {
namespace {

class FormAboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobalVars();
    TGlobalVars& g = GlobalVars();
    g.AppTitle = "Tallowin Video Converter";
    g.Version = "2.5.1";
    g.Copyright = "The Tallowin developers";
    g.HelpHomePageLink = "https://tallowin.example/";
    g.HelpSupportLink = "mailto:help@tallowin.example";
    g.HelpCheckForUpdatesLink = "https://tallowin.example/download";
    g.ResourceDir = (BinDir() / "sounds/skin0").string() + "/";
  }
  void TearDown() override { ResetGlobalVars(); }
  FakePlatform fake;
};

TEST_F(FormAboutTest, ShowsTitleVersionNoticeAndLinks) {
  TFormAbout about;
  ASSERT_EQ(about.CreateError(), "");
  EXPECT_EQ(about.windowTitle(), "About ");
  EXPECT_EQ(about.LabelVersion->text(), "2.5.1");
  EXPECT_EQ(about.LabalTitle->text(), "Tallowin Video Converter 2.5.1");
  const QString notice = about.LabelCopyright->text();
  EXPECT_TRUE(notice.contains(QString::number(QDate::currentDate().year())))
      << notice.toStdString();
  EXPECT_TRUE(notice.contains("The Tallowin developers"));
  EXPECT_EQ(about.LabelWeb->text(), "https://tallowin.example/");
  EXPECT_EQ(about.LabelSupportEmail->text(), "mailto:help@tallowin.example");
  EXPECT_FALSE(about.PanelmageLeft->isHidden());
  EXPECT_FALSE(about.ImageLeft->pixmap().isNull());

  emit about.LabelWeb->Clicked();
  emit about.LabelSupportEmail->Clicked();
  emit about.ImageLeft->Clicked();
  about.ButtonUpdates->click();
  EXPECT_EQ(fake.opened,
            (std::vector<std::string>{"https://tallowin.example/", "mailto:help@tallowin.example",
                                      "https://tallowin.example/download",
                                      "https://tallowin.example/download"}));
}

TEST_F(FormAboutTest, Skin3HasNoPictureAndIsNarrower) {
  const int normal_width = TFormAbout().width();
  GlobalVars().Skin = 3;
  // Skin 3 needs no picture at all.
  GlobalVars().ResourceDir = "/nonexistent/";
  TFormAbout about;
  ASSERT_EQ(about.CreateError(), "");
  EXPECT_TRUE(about.PanelmageLeft->isHidden());
  EXPECT_EQ(about.PageControlMain->x(), 10);
  EXPECT_EQ(about.width(), 10 + about.PageControlMain->width() + 15);
  EXPECT_LT(about.width(), normal_width);
  EXPECT_EQ(about.ButtonOK->geometry().right(), about.PageControlMain->geometry().right());
}

TEST_F(FormAboutTest, MissingPictureIsShownInsteadOfTheDialog) {
  TempDir empty;
  GlobalVars().ResourceDir = empty.dir();
  TFormAbout about;
  EXPECT_NE(about.CreateError().find(empty.dir() + "leftlogo.png"), std::string::npos);
  // ShowCentred reports the error and does not open the dialog (it would wait for a person).
  TFormAbout::ShowCentred(nullptr);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].kind, MessageKind::Error);
  EXPECT_NE(fake.messages[0].text.find("leftlogo.png"), std::string::npos);
}

TEST(CopyrightNotice, CarriesYearAndHolder) {
  EXPECT_EQ(CopyrightNotice(2031, "Example Ltd"),
            "Copyright \u00A9 2031 Example Ltd. All rights reserved.");
  EXPECT_EQ(CopyrightNotice(2031, "Example Ltd."),
            "Copyright \u00A9 2031 Example Ltd. All rights reserved.");
}

TEST(CopyrightNotice, AConfiguredWholeNoticeIsNotRepeated) {
  // The shipped configurations hold the whole notice: no second "Copyright", no second year.
  EXPECT_EQ(CopyrightNotice(2031, "Copyright (C) 2026 The Tallowin developers"),
            "Copyright (C) 2026 The Tallowin developers. All rights reserved.");
  EXPECT_EQ(CopyrightNotice(2031, "COPYRIGHT 2026 Example"),
            "COPYRIGHT 2026 Example. All rights reserved.");
  EXPECT_EQ(CopyrightNotice(2031, "(c) Example"), "(c) Example. All rights reserved.");
  EXPECT_EQ(CopyrightNotice(2031, "\u00A9 Example"), "\u00A9 Example. All rights reserved.");
  // A holder whose name merely contains the word keeps the template.
  EXPECT_EQ(CopyrightNotice(2031, "The Copyright Office"),
            "Copyright \u00A9 2031 The Copyright Office. All rights reserved.");
  const std::string shown = CopyrightNotice(2031, "Copyright (C) 2026 X");
  EXPECT_EQ(shown.find("Copyright"), shown.rfind("Copyright"));
}

TEST_F(FormAboutTest, UpdateTextFitsWithItsOwnLineBreakOnly) {
  TFormAbout about;
  ASSERT_EQ(about.CreateError(), "");
  // The label is as tall as its text needs, and the first line fits the label's width, so the
  // text breaks only where it has its own line break.
  const QLabel* check = about.LabelCheck;
  EXPECT_GE(check->height(), check->heightForWidth(check->width()));
  const QString first = check->text().section('\n', 0, 0);
  EXPECT_LE(check->fontMetrics().horizontalAdvance(first), check->width());
  EXPECT_LE(check->geometry().bottom(), about.LabelPInfo->y());
  // Every label of both pages lies inside the page.
  for (QWidget* page : {about.TabSheetAbout, about.TabSheetUpdate}) {
    for (const QLabel* label : page->findChildren<QLabel*>()) {
      EXPECT_LE(label->geometry().right(), about.PageControlMain->width())
          << label->objectName().toStdString();
    }
  }
}

}  // namespace
}  // namespace tallowin::test
