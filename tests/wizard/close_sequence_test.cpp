// Closing the main window: the close query, then the settings and both window positions; a
// failed save is shown and the window closes all the same. Also the clipboard watch and the
// synchronous conversion-done message.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <atomic>
#include <filesystem>
#include <thread>

#include "common/dispatcher.h"
#include "shell/global_vars.h"
#include "shell/ini_file.h"
#include "ui/picture_button.h"
#include "ui/picture_label.h"
#include "wizard/window_messages.h"
#include "wizard_env.h"

namespace tallowin::test {
namespace {

namespace fs = std::filesystem;

std::string SettingsFile(WizardEnv& env) {
  return env.ConfigHome() + "Tallowin Video Converter/~system2.dat";
}

TEST(CloseSequence, SavesSettingsAndBothWindowPositions) {
  WizardEnv env;
  TFormMain& form = env.Create();
  form.move(33, 44);
  env.log().setGeometry(60, 70, 500, 300);
  GlobalVars().OutputMP3Preset = 5;
  GlobalVars().OutputURLDir = "/videos/";
  ClosedCounter closed(form);
  // The close button closes at once, without a question.
  form.ButtonClose->click();
  EXPECT_EQ(closed.count, 1);
  EXPECT_TRUE(env.fake.messages.empty());
  EXPECT_FALSE(form.IsClipboardWatched());

  const auto ini = IniFile::Load(SettingsFile(env));
  ASSERT_TRUE(ini.has_value());
  EXPECT_EQ(ini->ReadInteger("System", "OutputMP3Preset", -1), 5);
  EXPECT_EQ(ini->ReadString("System", "OutputURLDir"), "/videos/");
  EXPECT_EQ(ini->ReadInteger("Form", "x", -1), 33);
  EXPECT_EQ(ini->ReadInteger("Form", "y", -1), 44);
  EXPECT_EQ(ini->ReadInteger("Form", "width", -1), 780);
  EXPECT_EQ(ini->ReadInteger("FormLog", "width", -1), 500);
  const auto sections = ini->Sections();
  const auto form_at = std::find(sections.begin(), sections.end(), "Form");
  const auto log_at = std::find(sections.begin(), sections.end(), "FormLog");
  ASSERT_NE(form_at, sections.end());
  ASSERT_NE(log_at, sections.end());
  EXPECT_LT(form_at, log_at);
}

TEST(CloseSequence, UnwritableSettingsAreShownAndTheWindowStillCloses) {
  WizardEnv env;
  TFormMain& form = env.Create();
  const std::string before = ReadFile(SettingsFile(env));
  // A folder below a plain file cannot be written, not even by the superuser.
  WriteFile(env.root / "plain", "x");
  GlobalVars().UserDataDir = env.root.dir() + "plain/";
  ClosedCounter closed(form);
  env.fake.answers = {kMrYes};
  form.ActivatePage(TWizardPage::Step4);
  form.ActionExitExecute();
  EXPECT_EQ(closed.count, 1);
  const auto errors = env.fake.Texts(MessageKind::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("plain/~system2.dat"), std::string::npos) << errors[0];
  EXPECT_EQ(ReadFile(SettingsFile(env)), before);
}

TEST(CloseSequence, ClosingTwiceSavesOnce) {
  WizardEnv env;
  TFormMain& form = env.Create();
  ClosedCounter closed(form);
  form.close();
  fs::remove(SettingsFile(env));
  form.close();
  EXPECT_FALSE(fs::exists(SettingsFile(env)));
}

TEST(ClipboardWatch, FollowsTheClipboardUntilClosed) {
  WizardEnv env;
  TFormMain& form = env.Create();
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText("https://www.youtube.com/watch?v=abc");
  EXPECT_FALSE(form.NoTextOnClipboard());
  auto* pictures = new QMimeData();
  pictures->setImageData(QImage(4, 4, QImage::Format_RGB32));
  clipboard->setMimeData(pictures);
  EXPECT_TRUE(form.NoTextOnClipboard());
  form.close();
  clipboard->setText("text after the window closed");
  EXPECT_TRUE(form.NoTextOnClipboard());
  clipboard->clear();
}

// Counts WM_APP_CONVERT_DONE while it is being handled.
class DoneCounter : public QObject {
 public:
  explicit DoneCounter(QObject* target) { target->installEventFilter(this); }
  std::atomic<int> count{0};
  bool eventFilter(QObject*, QEvent* event) override {
    if (static_cast<int>(event->type()) == WM_APP_CONVERT_DONE) ++count;
    return false;
  }
};

TEST(WindowMessages, ConvertDoneIsHandledBeforeTheSenderGoesOn) {
  WizardEnv env;
  TFormMain& form = env.Create();
  DoneCounter counter(&form);
  std::atomic<int> seen_by_sender{-1};
  std::atomic<bool> finished{false};
  std::thread sender([&] {
    form.SendConvertDone();
    seen_by_sender = counter.count.load();
    finished = true;
    MainDispatcher().Notify();
  });
  ASSERT_TRUE(
      MainDispatcher().WaitUntil([&] { return finished.load(); }, std::chrono::milliseconds(5000)));
  sender.join();
  EXPECT_EQ(seen_by_sender, 1);
  // On the main thread it is handled inside the call.
  form.SendConvertDone();
  EXPECT_EQ(counter.count, 2);
}

}  // namespace
}  // namespace tallowin::test
