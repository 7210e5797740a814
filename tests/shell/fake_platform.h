// A PlatformServices for tests: records every call and answers dialogs from a script, never
// showing a window, opening a browser or powering anything off.
//
//   tallowin::test::FakePlatform fake;           // installs itself, uninstalls when destroyed
//   fake.answers.push_back(tallowin::kMrYes);    // the next dialog answers Yes
//   ... code under test ...
//   EXPECT_EQ(fake.messages.at(0).text, "...");
#pragma once

#include <QDialog>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/platform_services.h"

namespace tallowin::test {

class FakePlatform : public PlatformServices {
 public:
  struct Message {
    std::string text;
    std::string title;  // empty for ShowMessage (caption = application title)
    MessageKind kind;
    unsigned buttons;
    int last = -1;
    std::vector<std::string> captions;
    int answer;
  };
  struct FolderRequest {
    QWidget* owner;
    std::string start;
    std::string title;
    int options;
    std::string root;
  };

  FakePlatform() { SetPlatform(this); }
  ~FakePlatform() override { SetPlatform(nullptr); }
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  // ---- script ----
  // Answers of the next dialogs, in order (ModalResult values). When empty, `default_answer`.
  std::deque<int> answers;
  int default_answer = kMrNone;
  // Answers of the next folder dialogs: a folder, or nullopt for Cancel. When empty: Cancel.
  std::deque<std::optional<std::string>> folder_answers;
  // Answers of the next open-file dialogs: the chosen files, or nullopt for Cancel. When empty:
  // Cancel.
  std::deque<std::optional<std::vector<std::string>>> open_file_answers;
  // Called with each modal dialog instead of running it; its result is the dialog's result.
  // When not set, the dialog is rejected at once.
  std::function<int(QDialog&)> on_dialog;

  // ---- record ----
  std::vector<std::string> opened;
  std::vector<FolderRequest> folder_requests;
  std::vector<OpenFileDialogOptions> open_file_requests;
  // Object names of the modal dialogs, in the order they were run.
  std::vector<std::string> dialogs;
  std::vector<std::pair<std::string, bool>> privileges;
  std::vector<PowerAction> power_actions;
  std::vector<Message> messages;
  int beeps = 0;
  int busy_shown = 0;
  int busy_restored = 0;
  bool busy_cursor_visible = false;

  // The texts of the messages of one kind, in order.
  std::vector<std::string> Texts(MessageKind kind) const {
    std::vector<std::string> texts;
    for (const Message& message : messages)
      if (message.kind == kind) texts.push_back(message.text);
    return texts;
  }

  void OpenWithShell(const std::string& target) override { opened.push_back(target); }

  bool BrowseForFolder(QWidget* owner, std::string& path, const std::string& title, int options,
                       const std::string& root) override {
    folder_requests.push_back({owner, path, title, options, root});
    if (folder_answers.empty()) return false;
    std::optional<std::string> answer = folder_answers.front();
    folder_answers.pop_front();
    if (!answer) return false;
    path = *answer;
    return true;
  }

  bool OpenFileDialog(QWidget*, const OpenFileDialogOptions& options,
                      std::vector<std::string>& files) override {
    open_file_requests.push_back(options);
    if (open_file_answers.empty()) return false;
    std::optional<std::vector<std::string>> answer = open_file_answers.front();
    open_file_answers.pop_front();
    if (!answer) return false;
    files = *answer;
    return true;
  }

  int ExecDialog(QDialog& dialog) override {
    dialogs.push_back(dialog.objectName().toStdString());
    return on_dialog ? on_dialog(dialog) : static_cast<int>(QDialog::Rejected);
  }

  bool SetProcessPrivilege(const std::string& name, bool enable) override {
    privileges.emplace_back(name, enable);
    return true;
  }

  int ShowCustomMessageDialog(const std::string& message, const std::string& title,
                              MessageKind kind, int last, const std::vector<std::string>& captions,
                              unsigned buttons) override {
    int answer = NextAnswer();
    messages.push_back({message, title, kind, buttons, last, captions, answer});
    return answer;
  }

  int ShowMessage(const std::string& text, MessageKind kind, unsigned buttons) override {
    int answer = NextAnswer();
    messages.push_back({text, {}, kind, buttons, -1, {}, answer});
    return answer;
  }

  void Beep() override { ++beeps; }

  // Sleep locks: how many were taken and how many of them are still held.
  struct SleepLocks {
    int taken = 0;
    int held = 0;
    std::vector<std::string> reasons;
  };
  std::vector<std::string> sounds;
  std::shared_ptr<SleepLocks> sleep_locks = std::make_shared<SleepLocks>();
  // Whether InhibitSleep gives a lock (false: as without a login manager).
  bool sleep_lock_available = true;
  std::vector<std::pair<std::string, std::string>> notifications;

  void PlaySound(const std::string& wav_path) override { sounds.push_back(wav_path); }

  std::unique_ptr<SleepLock> InhibitSleep(const std::string&, const std::string& why) override {
    if (!sleep_lock_available) return nullptr;
    struct Lock : SleepLock {
      explicit Lock(std::shared_ptr<SleepLocks> locks) : locks(std::move(locks)) {}
      ~Lock() override { --locks->held; }
      std::shared_ptr<SleepLocks> locks;
    };
    ++sleep_locks->taken;
    ++sleep_locks->held;
    sleep_locks->reasons.push_back(why);
    return std::make_unique<Lock>(sleep_locks);
  }

  void NotifyDesktop(const std::string& title, const std::string& body) override {
    notifications.emplace_back(title, body);
  }

 protected:
  void RunPowerAction(PowerAction action) override { power_actions.push_back(action); }
  void ShowBusyCursor() override {
    ++busy_shown;
    busy_cursor_visible = true;
  }
  void RestoreCursor() override {
    ++busy_restored;
    busy_cursor_visible = false;
  }

 private:
  int NextAnswer() {
    if (answers.empty()) return default_answer;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace tallowin::test
