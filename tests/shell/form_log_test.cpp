// The log window: appending, deleting with its question, saving, and the centred buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <filesystem>

#include "shell/fake_platform.h"
#include "shell/form_log.h"
#include "shell/global_vars.h"
#include "support/test_support.h"

namespace tallowin::test {
namespace {

TEST(FormLog, LinesLoggedBeforeTheWindowExistsAreKept) {
  ASSERT_EQ(TFormLog::Instance(), nullptr);
  LogLine("early line");
  TFormLog log;
  EXPECT_EQ(TFormLog::Instance(), &log);
  LogLine("File load error: broken.avi");
  log.LogLine("#12.16: engine message");
  const std::vector<std::string> lines = log.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"early line", "File load error: broken.avi",
                                      "#12.16: engine message"}));
}

TEST(FormLog, DeleteAsksAndOnlyYesEmptiesTheLog) {
  FakePlatform fake;
  TFormLog log;
  log.LogLine("one");
  log.LogLine("two");
  for (int answer : {kMrNo, kMrCancel}) {
    fake.answers = {answer};
    log.ButtonDelete->click();
    EXPECT_EQ(log.Lines().size(), 2u);
    EXPECT_TRUE(log.ButtonSave->isEnabled());
  }
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[0].text, "Really delete log file?");
  EXPECT_EQ(fake.messages[0].title, "Delete log?");
  EXPECT_EQ(fake.messages[0].kind, MessageKind::Confirmation);
  EXPECT_EQ(fake.messages[0].buttons, unsigned{kMbYes | kMbNo | kMbCancel});
  EXPECT_EQ(fake.messages[0].last, -1);

  fake.answers = {kMrYes};
  log.ButtonDelete->click();
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_FALSE(log.ButtonSave->isEnabled());
  // The first new line makes the log worth saving again, and Save saves it.
  log.LogLine("three");
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"three"});
  EXPECT_TRUE(log.ButtonSave->isEnabled());
  TempDir dir;
  log.SetSaveFilePicker([&] { return std::optional<std::string>(dir.dir() + "after.log"); });
  log.ButtonSave->click();
  EXPECT_EQ(ReadFile(dir.dir() + "after.log"), "three\n");
  // A second Delete disables it again until the next line.
  fake.answers = {kMrYes};
  log.ButtonDelete->click();
  EXPECT_FALSE(log.ButtonSave->isEnabled());
}

TEST(FormLog, OpensAtTheStartOfTheLastLine) {
  FakePlatform fake;
  TFormLog log;
  const std::string wide(600, 'x');
  for (int i = 0; i < 80; ++i) log.LogLine("line " + std::to_string(i) + " " + wide);
  log.resize(400, 300);
  log.FormShow();
  QApplication::processEvents();
  // The beginning of the lines is in view and the bar's thumb sits at its left end.
  QScrollBar* across = log.MemoLog->horizontalScrollBar();
  EXPECT_GT(across->maximum(), 0);
  EXPECT_EQ(across->value(), across->minimum());
  EXPECT_FALSE(across->invertedAppearance());
  EXPECT_EQ(across->layoutDirection(), Qt::LeftToRight);
  // The last line is the one shown, from its first character.
  const QTextCursor cursor = log.MemoLog->textCursor();
  EXPECT_EQ(cursor.blockNumber(), log.MemoLog->document()->blockCount() - 1);
  EXPECT_EQ(cursor.positionInBlock(), 0);
  QScrollBar* down = log.MemoLog->verticalScrollBar();
  EXPECT_EQ(down->value(), down->maximum());
  // Scrolled away and shown again: back at the start of the newest line.
  across->setValue(across->maximum());
  log.LogLine("newest");
  log.FormShow();
  EXPECT_EQ(across->value(), across->minimum());
  EXPECT_EQ(log.MemoLog->textCursor().block().text(), "newest");
  log.hide();
}

TEST(FormLog, SaveWritesOneLinePerLogLine) {
  FakePlatform fake;
  TempDir dir;
  TFormLog log;
  log.LogLine("first");
  log.LogLine("second line with \xC3\xA9");
  const std::string path = dir.dir() + "run.log";
  log.SetSaveFilePicker([&] { return std::optional<std::string>(path); });
  log.ButtonSave->click();
  EXPECT_EQ(ReadFile(path), "first\nsecond line with \xC3\xA9\n");

  // Cancel in the dialog writes nothing.
  log.SetSaveFilePicker([] { return std::optional<std::string>(); });
  std::filesystem::remove(path);
  log.ButtonSave->click();
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(fake.messages.empty());
}

TEST(FormLog, SaveFailureIsShownAndLosesNothing) {
  FakePlatform fake;
  TempDir dir;
  TFormLog log;
  log.LogLine("keep me");
  WriteFile(dir / "plain", "x");
  const std::string target = dir.dir() + "plain/run.log";
  EXPECT_FALSE(log.SaveToFile(target));
  const auto errors = fake.Texts(MessageKind::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find(target), std::string::npos) << errors[0];
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"keep me"});
  EXPECT_EQ(ReadFile(dir / "plain"), "x");
}

TEST(FormLog, ButtonsStayCentredWithEightPixelGaps) {
  TFormLog log;
  log.show();
  for (int width : {640, 401, 900}) {
    log.resize(width, 300);
    QApplication::processEvents();
    ASSERT_EQ(log.PanelBottom->width(), width);
    const QRect ok = log.ButtonOK->geometry();
    const QRect del = log.ButtonDelete->geometry();
    const QRect save = log.ButtonSave->geometry();
    EXPECT_EQ(del.left(), ok.right() + 1 + 8);
    EXPECT_EQ(save.left(), del.right() + 1 + 8);
    const int group = save.right() + 1 - ok.left();
    EXPECT_EQ(ok.left(), width / 2 - group / 2) << width;
  }
}

TEST(FormLog, ClosingHidesAndSavesThePosition) {
  FakePlatform fake;
  TempDir dir;
  ResetGlobalVars();
  GlobalVars().UserDataDir = dir.dir();
  {
    TFormLog log;
    log.FormShow();
    log.setGeometry(40, 50, 420, 260);
    log.ButtonOK->click();
    EXPECT_FALSE(log.isVisible());
    EXPECT_EQ(TFormLog::Instance(), &log);
  }
  const std::string settings = ReadFile(dir / "~system2.dat");
  EXPECT_NE(settings.find("[FormLog]"), std::string::npos) << settings;
  EXPECT_NE(settings.find("width=420"), std::string::npos) << settings;
  ResetGlobalVars();
}

}  // namespace
}  // namespace tallowin::test
