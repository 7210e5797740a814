// TFormLog: the program's message log. A read-only text that every part appends lines to, shown
// from the main window's Log button without blocking it; the user can save or empty it. The
// window is created once at start-up, hidden rather than destroyed when closed.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace tallowin {

class TFormLog : public QDialog {
  Q_OBJECT

 public:
  explicit TFormLog(QWidget* parent = nullptr);
  ~TFormLog() override;

  // The log window of the process, or nullptr before it has been created.
  static TFormLog* Instance();

  // Appends one line at the end of the log (main thread).
  void LogLine(const std::string& text);
  // The log's lines, in order.
  std::vector<std::string> Lines() const;

  // Shows the window without blocking (restores its position first).
  void FormShow();
  void ButtonDeleteClick();
  void ButtonSaveClick();
  // Writes every line to `path`, one per line. On failure shows the error and returns false; an
  // existing file is then left as it was.
  bool SaveToFile(const std::string& path);
  void PanelBottomResize();
  // Scrolls to the last line with its beginning at the left edge (done on every show).
  void ShowLastLineStart();

  // Replaces the save-file dialog (tests): returns the chosen path, or nothing on Cancel.
  using SaveFilePicker = std::function<std::optional<std::string>()>;
  void SetSaveFilePicker(SaveFilePicker picker) { save_file_picker_ = std::move(picker); }

  QPlainTextEdit* MemoLog = nullptr;
  QWidget* PanelBottom = nullptr;
  QPushButton* ButtonOK = nullptr;
  QPushButton* ButtonDelete = nullptr;
  QPushButton* ButtonSave = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormClose();
  std::optional<std::string> PickSaveFile();

  SaveFilePicker save_file_picker_;
  int line_count_ = 0;
};

// Appends a line to the message log. Lines logged before the log window exists are kept and
// appear in it when it is created.
void LogLine(const std::string& text);

}  // namespace tallowin
