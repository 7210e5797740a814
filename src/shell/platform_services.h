// Every action that reaches the desktop (shell open, folder dialog, power, cursor, message boxes)
// goes through PlatformServices, so that tests install a fake that records the calls and answers
// the dialogs from a script. The program uses the Qt implementation.
#pragma once

#include <memory>
#include <string>
#include <vector>

class QDialog;
class QFont;
class QMessageBox;
class QPixmap;
class QString;
class QWidget;

namespace tallowin {

enum class MessageKind { Warning, Error, Information, Confirmation, Custom };

// The skin's symbol for a kind of message (drawn by the build into the skin folder),
// `size` pixels square; a null picture when the skin has none.
QPixmap DialogIconPicture(MessageKind kind, int size);
// The narrowest a message box may be so that its title bar shows `title` whole.
int MessageBoxMinimumWidth(const QString& title, const QFont& font);
// Gives a message box the program's dialog style, the skin's symbol and a width that keeps
// its title whole.
void StyleMessageBox(QMessageBox& box, MessageKind kind);

// Buttons of a message dialog, combined as flags. The dialog creates them in this order.
enum MessageButton : unsigned {
  kMbYes = 1u << 0,
  kMbNo = 1u << 1,
  kMbOK = 1u << 2,
  kMbCancel = 1u << 3,
  kMbAbort = 1u << 4,
  kMbRetry = 1u << 5,
  kMbIgnore = 1u << 6,
  kMbAll = 1u << 7,
  kMbNoToAll = 1u << 8,
  kMbYesToAll = 1u << 9,
  kMbHelp = 1u << 10,
  kMbClose = 1u << 11,
};

// Results of a modal dialog.
enum ModalResult : int {
  kMrNone = 0,
  kMrOk = 1,
  kMrCancel = 2,
  kMrAbort = 3,
  kMrRetry = 4,
  kMrIgnore = 5,
  kMrYes = 6,
  kMrNo = 7,
  kMrClose = 8,
  kMrHelp = 9,
  kMrAll = 12,
  kMrNoToAll = 13,
  kMrYesToAll = 14,
};

// Options of BrowseForFolder: file-system folders only, new dialog style. Callers pass 65.
constexpr int kBrowseFileSystemOnly = 0x01;
constexpr int kBrowseNewDialogStyle = 0x40;
constexpr int kBrowseDefaultOptions = kBrowseFileSystemOnly | kBrowseNewDialogStyle;

// The settings of an open-file dialog. `filter` lists display texts and pattern lists, all
// separated by "|" ("Videos|*.AVI;*.MKV;|All Files|*.*"); patterns match in any letter case.
struct OpenFileDialogOptions {
  std::string title;
  std::string initial_dir;
  // A file to preselect (the dialog's remembered name); empty for none.
  std::string file_name;
  std::string filter;
  bool multi_select = false;
};

// The entries of an OpenFileDialogOptions filter as Qt name filters ("Videos (*.AVI *.MKV)"),
// each pattern written so that it matches in any letter case ("*.[aA][vV][iI]").
std::vector<std::string> QtNameFilters(const std::string& filter);

// Held while the computer must stay awake; releasing it (destroying it) lets the computer sleep.
class SleepLock {
 public:
  virtual ~SleepLock() = default;
};

// What ShutdownComputer asks of the system, by mode (0 to 5).
enum class PowerAction { QuitProgram, PowerOff, Restart, Hibernate, Suspend };

class PlatformServices {
 public:
  virtual ~PlatformServices() = default;

  // Opens a document, folder or link with its program. Failures are ignored.
  virtual void OpenWithShell(const std::string& target) = 0;

  // Lets the user pick a folder, starting at `path`. On OK stores the folder (without a trailing
  // "/") in `path` and returns true; otherwise leaves `path` alone and returns false. `root`, when
  // not empty, limits where the dialog starts.
  virtual bool BrowseForFolder(QWidget* owner, std::string& path, const std::string& title,
                               int options, const std::string& root) = 0;

  // Lets the user pick existing files. On OK stores them, in the dialog's order, in `files` and
  // returns true; otherwise leaves `files` alone and returns false.
  virtual bool OpenFileDialog(QWidget* owner, const OpenFileDialogOptions& options,
                              std::vector<std::string>& files) = 0;

  // Runs a dialog modally and returns its result (QDialog::DialogCode or a done() value).
  virtual int ExecDialog(QDialog& dialog) = 0;

  // Linux has no per-process privileges to adjust: the Qt implementation answers true.
  virtual bool SetProcessPrivilege(const std::string& name, bool enable) = 0;

  // Mode 0 quits this program; 1 and 2 power off; 3 restarts; 4 hibernates; 5 suspends; any
  // other value does nothing.
  void ShutdownComputer(int mode);

  // A nesting counter: the busy cursor shows from the first Begin until the matching last End.
  // An End without a Begin does nothing.
  void BeginBusyCursor();
  void EndBusyCursor();
  int BusyCursorDepth() const { return busy_depth_; }

  // A modal message dialog with `title` as its caption. Buttons are created in the order of
  // MessageButton; captions[i] (when not empty) replaces the caption of button i for
  // i = 0 .. last (-1 changes none). Beeps by kind; returns the ModalResult.
  virtual int ShowCustomMessageDialog(const std::string& message, const std::string& title,
                                      MessageKind kind, int last,
                                      const std::vector<std::string>& captions,
                                      unsigned buttons) = 0;

  // A message box whose caption is the application title. Returns the ModalResult.
  virtual int ShowMessage(const std::string& text, MessageKind kind, unsigned buttons) = 0;

  // Question icon, Yes and No: true on Yes.
  bool Confirm(const std::string& text);
  // Information icon, OK.
  void Notice(const std::string& text);
  // Error icon, OK.
  void ShowError(const std::string& text);

  // The system beep.
  virtual void Beep() = 0;

  // Plays a WAV file and returns at once; a missing or unreadable file plays nothing.
  virtual void PlaySound(const std::string& wav_path) = 0;
  // Keeps the computer from falling asleep while the lock lives; null when no login manager
  // gives one. `who` and `why` are what the system shows of the lock.
  virtual std::unique_ptr<SleepLock> InhibitSleep(const std::string& who,
                                                  const std::string& why) = 0;
  // One desktop notification; nothing happens when no notification service answers.
  virtual void NotifyDesktop(const std::string& title, const std::string& body) = 0;

 protected:
  // Carry out a power action (after the privilege was enabled).
  virtual void RunPowerAction(PowerAction action) = 0;
  // Show the busy cursor for the whole application / restore the normal one.
  virtual void ShowBusyCursor() = 0;
  virtual void RestoreCursor() = 0;

 private:
  int busy_depth_ = 0;
};

// The real desktop: QDesktopServices, QFileDialog, QMessageBox, the override cursor,
// `systemctl` (started detached) for the power actions, QSoundEffect for sounds and D-Bus for
// the sleep lock and notifications.
class QtPlatformServices : public PlatformServices {
 public:
  void OpenWithShell(const std::string& target) override;
  bool BrowseForFolder(QWidget* owner, std::string& path, const std::string& title, int options,
                       const std::string& root) override;
  bool OpenFileDialog(QWidget* owner, const OpenFileDialogOptions& options,
                      std::vector<std::string>& files) override;
  int ExecDialog(QDialog& dialog) override;
  bool SetProcessPrivilege(const std::string& name, bool enable) override;
  int ShowCustomMessageDialog(const std::string& message, const std::string& title,
                              MessageKind kind, int last, const std::vector<std::string>& captions,
                              unsigned buttons) override;
  int ShowMessage(const std::string& text, MessageKind kind, unsigned buttons) override;
  void Beep() override;
  // Qt Multimedia and D-Bus (logind, org.freedesktop.Notifications): desktop_session.cpp.
  void PlaySound(const std::string& wav_path) override;
  std::unique_ptr<SleepLock> InhibitSleep(const std::string& who, const std::string& why) override;
  void NotifyDesktop(const std::string& title, const std::string& body) override;

 protected:
  void RunPowerAction(PowerAction action) override;
  void ShowBusyCursor() override;
  void RestoreCursor() override;
};

// The services in use: the one installed by SetPlatform, else the Qt implementation.
PlatformServices& Platform();
// Installs `services` (not owned; nullptr goes back to the Qt implementation).
void SetPlatform(PlatformServices* services);

// The short forms the windows use.
inline void OpenWithShell(const std::string& target) {
  Platform().OpenWithShell(target);
}
inline void BeginBusyCursor() {
  Platform().BeginBusyCursor();
}
inline void EndBusyCursor() {
  Platform().EndBusyCursor();
}

// Keeps the busy cursor up for a scope.
class BusyCursorGuard {
 public:
  BusyCursorGuard() { BeginBusyCursor(); }
  ~BusyCursorGuard() { EndBusyCursor(); }
  BusyCursorGuard(const BusyCursorGuard&) = delete;
  BusyCursorGuard& operator=(const BusyCursorGuard&) = delete;
};

}  // namespace tallowin
