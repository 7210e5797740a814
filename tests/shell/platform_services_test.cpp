#include "shell/platform_services.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "fake_platform.h"
#include "shell/global_vars.h"

namespace tallowin {
namespace {

using test::FakePlatform;

TEST(Platform, FakeIsInstalledAndRemoved) {
  {
    FakePlatform fake;
    EXPECT_EQ(&Platform(), &fake);
    OpenWithShell("https://tallowin.example/help");
    EXPECT_EQ(fake.opened, std::vector<std::string>{"https://tallowin.example/help"});
  }
  EXPECT_NE(dynamic_cast<QtPlatformServices*>(&Platform()), nullptr);
}

TEST(Platform, BusyCursorNests) {
  FakePlatform fake;
  fake.EndBusyCursor();  // without a Begin: nothing
  EXPECT_EQ(fake.busy_restored, 0);
  EXPECT_EQ(fake.BusyCursorDepth(), 0);
  BeginBusyCursor();
  BeginBusyCursor();
  EXPECT_TRUE(fake.busy_cursor_visible);
  EXPECT_EQ(fake.busy_shown, 1);
  EndBusyCursor();
  EXPECT_TRUE(fake.busy_cursor_visible);
  EndBusyCursor();
  EXPECT_FALSE(fake.busy_cursor_visible);
  EXPECT_EQ(fake.busy_restored, 1);
  EndBusyCursor();
  EXPECT_EQ(fake.busy_restored, 1);
  {
    BusyCursorGuard guard;
    EXPECT_TRUE(fake.busy_cursor_visible);
  }
  EXPECT_FALSE(fake.busy_cursor_visible);
}

TEST(Platform, ShutdownModes) {
  FakePlatform fake;
  for (int mode = -1; mode <= 6; ++mode) fake.ShutdownComputer(mode);
  EXPECT_EQ(fake.power_actions,
            (std::vector<PowerAction>{PowerAction::QuitProgram, PowerAction::PowerOff,
                                      PowerAction::PowerOff, PowerAction::Restart,
                                      PowerAction::Hibernate, PowerAction::Suspend}));
  // The privilege is enabled before and disabled after every request, known mode or not.
  ASSERT_EQ(fake.privileges.size(), 16u);
  for (size_t i = 0; i < fake.privileges.size(); ++i) {
    EXPECT_EQ(fake.privileges[i].first, "SeShutdownPrivilege");
    EXPECT_EQ(fake.privileges[i].second, i % 2 == 0);
  }
}

TEST(Platform, MessageHelpers) {
  FakePlatform fake;
  fake.answers = {kMrYes, kMrNo};
  EXPECT_TRUE(fake.Confirm("Really?"));
  EXPECT_FALSE(fake.Confirm("Sure?"));
  EXPECT_FALSE(fake.Confirm("Unscripted"));  // no answer left: not Yes
  fake.Notice("Done.");
  fake.ShowError("Broken.");
  ASSERT_EQ(fake.messages.size(), 5u);
  EXPECT_EQ(fake.messages[0].kind, MessageKind::Confirmation);
  EXPECT_EQ(fake.messages[0].buttons, kMbYes | kMbNo);
  EXPECT_EQ(fake.messages[3].kind, MessageKind::Information);
  EXPECT_EQ(fake.messages[3].buttons, static_cast<unsigned>(kMbOK));
  EXPECT_EQ(fake.messages[4].kind, MessageKind::Error);
  EXPECT_EQ(fake.Texts(MessageKind::Confirmation),
            (std::vector<std::string>{"Really?", "Sure?", "Unscripted"}));
}

TEST(Platform, FolderDialogScript) {
  FakePlatform fake;
  fake.folder_answers = {std::string("/tmp/out"), std::nullopt};
  std::string path = "/start";
  EXPECT_TRUE(Platform().BrowseForFolder(nullptr, path, "Please select a folder",
                                         kBrowseDefaultOptions, ""));
  EXPECT_EQ(path, "/tmp/out");
  EXPECT_FALSE(Platform().BrowseForFolder(nullptr, path, "Please select a folder", 65, ""));
  EXPECT_EQ(path, "/tmp/out");
  EXPECT_EQ(kBrowseDefaultOptions, 65);
  ASSERT_EQ(fake.folder_requests.size(), 2u);
  EXPECT_EQ(fake.folder_requests[0].start, "/start");
}

}  // namespace
}  // namespace tallowin

namespace tallowin {
namespace {

// Answers the next modal message box by clicking its button number `index`, recording the
// captions and window title it had.
struct MessageBoxAnswerer {
  std::vector<QString> captions;
  QString title;
  bool seen = false;
  void Arm(int index, int tries = 500) {
    QTimer::singleShot(tries == 500 ? 0 : 10, [this, index, tries] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) {
        if (tries > 0) Arm(index, tries - 1);
        return;
      }
      seen = true;
      title = box->windowTitle();
      // buttons() lists them in the order they were added.
      QList<QAbstractButton*> buttons = box->buttons();
      for (QAbstractButton* button : buttons) captions.push_back(button->text());
      if (index < buttons.size()) buttons[index]->click();
    });
  }
};

TEST(QtPlatform, CustomMessageDialogCaptionsAndResult) {
  QtPlatformServices qt;
  MessageBoxAnswerer answer;
  answer.Arm(1);
  int result = qt.ShowCustomMessageDialog("Shut down now?", "Tallowin", MessageKind::Confirmation,
                                          0, {"&Shut down", "ignored"}, kMbYes | kMbNo);
  ASSERT_TRUE(answer.seen);
  EXPECT_EQ(answer.title, "Tallowin");
  ASSERT_EQ(answer.captions.size(), 2);
  EXPECT_EQ(answer.captions[0], "&Shut down");  // index 0 replaced, index 1 beyond `last`
  EXPECT_NE(answer.captions[1], "ignored");
  EXPECT_EQ(result, kMrNo);

  MessageBoxAnswerer ok;
  ok.Arm(0);
  GlobalVars().AppTitle = "Soundsift";
  EXPECT_EQ(qt.ShowMessage("Saved.", MessageKind::Information, kMbOK), kMrOk);
  EXPECT_EQ(ok.title, "Soundsift");
  GlobalVars().AppTitle.clear();
}

TEST(QtPlatform, BusyCursorUsesTheOverrideCursor) {
  QtPlatformServices qt;
  ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  qt.BeginBusyCursor();
  qt.BeginBusyCursor();
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  qt.EndBusyCursor();
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  qt.EndBusyCursor();
  qt.EndBusyCursor();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace tallowin
