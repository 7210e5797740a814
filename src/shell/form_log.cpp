#include "shell/form_log.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>
#include <exception>

#include "shell/platform_services.h"
#include "shell/user_settings.h"
#include "ui/theme.h"

namespace tallowin {

namespace {

TFormLog* g_instance = nullptr;

// Lines logged while no log window exists.
std::vector<std::string>& PendingLines() {
  static std::vector<std::string> lines;
  return lines;
}

constexpr int kButtonGap = 8;

}  // namespace

TFormLog::TFormLog(QWidget* parent) : QDialog(parent) {
  setObjectName("FormLog");
  setWindowTitle("Log");
  // Resizable, no minimise box.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setModal(false);
  setStyleSheet(ui::Theme::DialogStyleSheet());
  resize(640, 420);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  MemoLog = new QPlainTextEdit(this);
  MemoLog->setObjectName("MemoLog");
  MemoLog->setReadOnly(true);
  MemoLog->setAccessibleName("Log");
  MemoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoLog->setStyleSheet(
      "QPlainTextEdit { border: none; border-radius: 0; background: #FFFFFF; color: #1E293B;"
      " font-family: monospace; padding: 4px; }");
  layout->addWidget(MemoLog, 1);

  PanelBottom = new QWidget(this);
  PanelBottom->setObjectName("PanelBottom");
  PanelBottom->setFixedHeight(48);
  PanelBottom->setStyleSheet(
      "#PanelBottom { background: #F1F5F9; border-top: 1px solid #E2E8F0; }");
  layout->addWidget(PanelBottom);
  auto button = [this](const char* name, const QString& caption, int width) {
    auto* b = new QPushButton(caption, PanelBottom);
    b->setObjectName(name);
    b->setGeometry(0, 10, width, 28);
    return b;
  };
  ButtonOK = button("ButtonOK", "&OK", 90);
  ButtonDelete = button("ButtonDelete", "&Delete Log", 110);
  ButtonSave = button("ButtonSave", "&Save Log...", 110);
  ButtonDelete->move(ButtonOK->geometry().right() + 1 + kButtonGap, 10);
  ButtonSave->move(ButtonDelete->geometry().right() + 1 + kButtonGap, 10);
  ButtonOK->setDefault(true);
  ButtonOK->setAutoDefault(true);
  connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(ButtonDelete, &QPushButton::clicked, this, &TFormLog::ButtonDeleteClick);
  connect(ButtonSave, &QPushButton::clicked, this, &TFormLog::ButtonSaveClick);
  PanelBottom->installEventFilter(this);

  // A sensible first place; the stored position replaces it when the window is shown.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
  }

  g_instance = this;
  for (const std::string& line : PendingLines()) LogLine(line);
  PendingLines().clear();
}

TFormLog::~TFormLog() {
  if (g_instance == this) g_instance = nullptr;
}

TFormLog* TFormLog::Instance() {
  return g_instance;
}

void TFormLog::LogLine(const std::string& text) {
  MemoLog->appendPlainText(QString::fromStdString(text));
  ++line_count_;
  // An emptied log has nothing to save; as soon as a line arrives there is again.
  ButtonSave->setEnabled(true);
}

std::vector<std::string> TFormLog::Lines() const {
  std::vector<std::string> lines;
  if (line_count_ == 0) return lines;
  for (const QString& line : MemoLog->toPlainText().split(QLatin1Char('\n'))) {
    lines.push_back(line.toStdString());
  }
  return lines;
}

void TFormLog::FormShow() {
  RestoreWindowPosition("FormLog", this);
  show();
  raise();
  activateWindow();
  PanelBottomResize();
  ShowLastLineStart();
}

void TFormLog::ShowLastLineStart() {
  // The newest line is in view with its beginning, not its end, at the left edge.
  QTextCursor cursor = MemoLog->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.movePosition(QTextCursor::StartOfBlock);
  MemoLog->setTextCursor(cursor);
  MemoLog->ensureCursorVisible();
  MemoLog->verticalScrollBar()->setValue(MemoLog->verticalScrollBar()->maximum());
  MemoLog->horizontalScrollBar()->setValue(MemoLog->horizontalScrollBar()->minimum());
}

void TFormLog::PanelBottomResize() {
  // The three buttons stay centred as a group with 8-pixel gaps.
  const int group = (ButtonSave->geometry().right() + 1) - ButtonOK->x();
  const int left = PanelBottom->width() / 2 - group / 2;
  ButtonOK->move(left, ButtonOK->y());
  ButtonDelete->move(ButtonOK->geometry().right() + 1 + kButtonGap, ButtonDelete->y());
  ButtonSave->move(ButtonDelete->geometry().right() + 1 + kButtonGap, ButtonSave->y());
}

bool TFormLog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PanelBottom && event->type() == QEvent::Resize) PanelBottomResize();
  return QDialog::eventFilter(watched, event);
}

void TFormLog::ButtonDeleteClick() {
  const int answer = Platform().ShowCustomMessageDialog("Really delete log file?", "Delete log?",
                                                        MessageKind::Confirmation, -1, {},
                                                        kMbYes | kMbNo | kMbCancel);
  if (answer != kMrYes) return;
  MemoLog->clear();
  line_count_ = 0;
  // Nothing to save until the next line arrives.
  ButtonSave->setEnabled(false);
}

std::optional<std::string> TFormLog::PickSaveFile() {
  if (save_file_picker_) return save_file_picker_();
  QFileDialog dialog(this, "Save Log");
  dialog.setObjectName("SaveDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix("log");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setStyleSheet(ui::Theme::DialogStyleSheet());
  dialog.setNameFilters({"Log-Files (*.log)", "Text-Files (*.txt)", "All Files (*)"});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void TFormLog::ButtonSaveClick() {
  if (const std::optional<std::string> path = PickSaveFile()) SaveToFile(*path);
}

bool TFormLog::SaveToFile(const std::string& path) {
  QSaveFile file(QString::fromStdString(path));
  // Writes to a temporary file that replaces the target only when complete.
  bool ok = file.open(QIODevice::WriteOnly);
  if (ok) {
    for (const std::string& line : Lines()) {
      if (file.write(line.data(), static_cast<qint64>(line.size())) < 0 ||
          file.write("\n", 1) != 1) {
        ok = false;
        break;
      }
    }
  }
  if (ok) ok = file.commit();
  if (!ok) {
    const std::string reason = file.errorString().toStdString();
    file.cancelWriting();
    Platform().ShowError("Cannot create file \"" + path + "\". " + reason);
  }
  return ok;
}

void TFormLog::FormClose() {
  try {
    SaveWindowPosition("FormLog", this);
  } catch (const std::exception& error) {
    Platform().ShowError(error.what());
  }
}

void TFormLog::done(int result) {
  if (isVisible()) FormClose();
  QDialog::done(result);
}

void TFormLog::closeEvent(QCloseEvent* event) {
  FormClose();
  // Hidden, not destroyed.
  event->accept();
}

void LogLine(const std::string& text) {
  if (TFormLog* log = TFormLog::Instance()) {
    log->LogLine(text);
  } else {
    PendingLines().push_back(text);
  }
}

}  // namespace tallowin
