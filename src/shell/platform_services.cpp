#include "shell/platform_services.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QSpacerItem>
#include <QUrl>
#include <cctype>

#include "shell/global_vars.h"
#include "shell/util_funcs.h"
#include "ui/theme.h"

namespace tallowin {
namespace {

PlatformServices* g_installed = nullptr;

QString ToQt(const std::string& text) {
  return QString::fromStdString(text);
}

QMessageBox::Icon IconFor(MessageKind kind) {
  switch (kind) {
    case MessageKind::Warning:
      return QMessageBox::Warning;
    case MessageKind::Error:
      return QMessageBox::Critical;
    case MessageKind::Information:
      return QMessageBox::Information;
    case MessageKind::Confirmation:
      return QMessageBox::Question;
    case MessageKind::Custom:
      break;
  }
  return QMessageBox::NoIcon;
}

struct ButtonChoice {
  MessageButton flag;
  QMessageBox::StandardButton standard;
  int result;
};

// In the order the dialog creates its buttons.
constexpr ButtonChoice kButtons[] = {
    {kMbYes, QMessageBox::Yes, kMrYes},
    {kMbNo, QMessageBox::No, kMrNo},
    {kMbOK, QMessageBox::Ok, kMrOk},
    {kMbCancel, QMessageBox::Cancel, kMrCancel},
    {kMbAbort, QMessageBox::Abort, kMrAbort},
    {kMbRetry, QMessageBox::Retry, kMrRetry},
    {kMbIgnore, QMessageBox::Ignore, kMrIgnore},
    {kMbAll, QMessageBox::YesToAll, kMrAll},
    {kMbNoToAll, QMessageBox::NoToAll, kMrNoToAll},
    {kMbYesToAll, QMessageBox::YesToAll, kMrYesToAll},
    {kMbHelp, QMessageBox::Help, kMrHelp},
    {kMbClose, QMessageBox::Close, kMrClose},
};

// The skin's symbol for a kind of message, drawn by the build beside the other skin pictures;
// a null picture when the skin has none.
QPixmap SkinDialogIcon(MessageKind kind) {
  const char* name = nullptr;
  switch (kind) {
    case MessageKind::Warning:
      name = "msg_warning.png";
      break;
    case MessageKind::Error:
      name = "msg_error.png";
      break;
    case MessageKind::Information:
      name = "msg_information.png";
      break;
    case MessageKind::Confirmation:
      name = "msg_question.png";
      break;
    case MessageKind::Custom:
      break;
  }
  if (name == nullptr || GlobalVars().ResourceDir.empty()) return {};
  QPixmap picture;
  picture.load(ToQt(GlobalVars().ResourceDir + name));
  return picture;
}

}  // namespace

QPixmap DialogIconPicture(MessageKind kind, int size) {
  QPixmap picture = SkinDialogIcon(kind);
  if (picture.isNull()) return picture;
  return picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

int MessageBoxMinimumWidth(const QString& title, const QFont& font) {
  // The window manager needs room for the title and its buttons beside it.
  return QFontMetrics(font).horizontalAdvance(title) + 140;
}

void StyleMessageBox(QMessageBox& box, MessageKind kind) {
  box.setStyleSheet(ui::Theme::DialogStyleSheet());
  // Plain skinned buttons, without stock pictures.
  for (QAbstractButton* button : box.buttons()) button->setIcon(QIcon());
  const QPixmap icon = DialogIconPicture(kind, 40);
  if (!icon.isNull()) box.setIconPixmap(icon);
  // A message box is as narrow as its text; a long title would be cut in the title bar.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int width = MessageBoxMinimumWidth(box.windowTitle(), box.font());
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

namespace {

int RunMessageBox(const std::string& message, const std::string& title, MessageKind kind, int last,
                  const std::vector<std::string>& captions, unsigned buttons) {
  QMessageBox box(IconFor(kind), ToQt(title), ToQt(message), QMessageBox::NoButton,
                  QApplication::activeWindow());
  std::vector<std::pair<QAbstractButton*, int>> created;
  for (const ButtonChoice& choice : kButtons) {
    if (!(buttons & choice.flag)) continue;
    QAbstractButton* button;
    if (choice.flag == kMbAll)  // Qt has no plain "All": a button with that role and caption
      button = box.addButton(QObject::tr("&All"), QMessageBox::YesRole);
    else
      button = box.addButton(choice.standard);
    created.emplace_back(button, choice.result);
  }
  if (created.empty()) created.emplace_back(box.addButton(QMessageBox::Ok), kMrOk);
  for (int i = 0; i <= last && i < static_cast<int>(created.size()); ++i) {
    if (i < static_cast<int>(captions.size()) && !captions[static_cast<size_t>(i)].empty())
      created[static_cast<size_t>(i)].first->setText(ToQt(captions[static_cast<size_t>(i)]));
  }
  StyleMessageBox(box, kind);
  QApplication::beep();
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& [button, result] : created)
    if (button == clicked) return result;
  return (buttons & kMbCancel) ? kMrCancel : kMrNone;
}

}  // namespace

void PlatformServices::ShutdownComputer(int mode) {
  SetProcessPrivilege("SeShutdownPrivilege", true);
  switch (mode) {
    case 0:
      RunPowerAction(PowerAction::QuitProgram);
      break;
    case 1:
    case 2:
      RunPowerAction(PowerAction::PowerOff);
      break;
    case 3:
      RunPowerAction(PowerAction::Restart);
      break;
    case 4:
      RunPowerAction(PowerAction::Hibernate);
      break;
    case 5:
      RunPowerAction(PowerAction::Suspend);
      break;
    default:
      break;
  }
  SetProcessPrivilege("SeShutdownPrivilege", false);
}

void PlatformServices::BeginBusyCursor() {
  if (++busy_depth_ == 1) ShowBusyCursor();
}

void PlatformServices::EndBusyCursor() {
  if (busy_depth_ <= 0) return;
  if (--busy_depth_ == 0) RestoreCursor();
}

bool PlatformServices::Confirm(const std::string& text) {
  return ShowMessage(text, MessageKind::Confirmation, kMbYes | kMbNo) == kMrYes;
}

void PlatformServices::Notice(const std::string& text) {
  ShowMessage(text, MessageKind::Information, kMbOK);
}

void PlatformServices::ShowError(const std::string& text) {
  ShowMessage(text, MessageKind::Error, kMbOK);
}

void QtPlatformServices::OpenWithShell(const std::string& target) {
  if (target.empty()) return;
  QString text = ToQt(target);
  QUrl url = text.startsWith('/') ? QUrl::fromLocalFile(text) : QUrl(text);
  if (url.isRelative()) url = QUrl::fromLocalFile(QDir::current().absoluteFilePath(text));
  QDesktopServices::openUrl(url);
}

bool QtPlatformServices::BrowseForFolder(QWidget* owner, std::string& path,
                                         const std::string& title, int options,
                                         const std::string& root) {
  (void)options;  // the Qt dialog always picks file-system folders
  QString start = ToQt(path.empty() ? root : path);
  QFileDialog dialog(owner, ToQt(title), start);
  dialog.setFileMode(QFileDialog::Directory);
  // Qt's own dialog, so that it wears the program's style like every other dialog.
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  dialog.setStyleSheet(ui::Theme::DialogStyleSheet());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const QString chosen = dialog.selectedFiles().first();
  if (chosen.isEmpty()) return false;
  path = chosen.toStdString();
  return true;
}

std::vector<std::string> QtNameFilters(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    const size_t bar = filter.find('|', start);
    parts.push_back(
        filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<std::string> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns;
    for (const std::string& pattern : SplitBySeparator(parts[i + 1], ";")) {
      if (pattern.empty()) continue;
      if (!patterns.empty()) patterns += ' ';
      // "*.*" means every file; here it would skip the names without a dot.
      if (pattern == "*.*") {
        patterns += '*';
        continue;
      }
      for (const char c : pattern) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (lower == upper) {
          patterns += c;
        } else {
          patterns += '[';
          patterns += lower;
          patterns += upper;
          patterns += ']';
        }
      }
    }
    filters.push_back(parts[i] + " (" + patterns + ")");
  }
  return filters;
}

bool QtPlatformServices::OpenFileDialog(QWidget* owner, const OpenFileDialogOptions& options,
                                        std::vector<std::string>& files) {
  QFileDialog dialog(owner, ToQt(options.title), ToQt(options.initial_dir));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(options.multi_select ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  // The patterns are spelled for any letter case; the list shows only the display texts.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setSizeGripEnabled(true);
  // Qt's own dialog, so that it wears the program's style like every other dialog.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setStyleSheet(ui::Theme::DialogStyleSheet());
  QStringList filters;
  for (const std::string& f : QtNameFilters(options.filter)) filters << ToQt(f);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!options.file_name.empty()) dialog.selectFile(ToQt(options.file_name));
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  files.clear();
  for (const QString& file : chosen) files.push_back(file.toStdString());
  return true;
}

int QtPlatformServices::ExecDialog(QDialog& dialog) {
  return dialog.exec();
}

bool QtPlatformServices::SetProcessPrivilege(const std::string&, bool) {
  return true;
}

int QtPlatformServices::ShowCustomMessageDialog(const std::string& message,
                                                const std::string& title, MessageKind kind,
                                                int last, const std::vector<std::string>& captions,
                                                unsigned buttons) {
  return RunMessageBox(message, title, kind, last, captions, buttons);
}

int QtPlatformServices::ShowMessage(const std::string& text, MessageKind kind, unsigned buttons) {
  return RunMessageBox(text, GlobalVars().AppTitle, kind, -1, {}, buttons);
}

void QtPlatformServices::Beep() {
  QApplication::beep();
}

void QtPlatformServices::RunPowerAction(PowerAction action) {
  const char* verb = nullptr;
  switch (action) {
    case PowerAction::QuitProgram:
      QCoreApplication::quit();
      return;
    case PowerAction::PowerOff:
      verb = "poweroff";
      break;
    case PowerAction::Restart:
      verb = "reboot";
      break;
    case PowerAction::Hibernate:
      verb = "hibernate";
      break;
    case PowerAction::Suspend:
      verb = "suspend";
      break;
  }
  QProcess::startDetached(QStringLiteral("systemctl"), {QString::fromLatin1(verb)});
}

void QtPlatformServices::ShowBusyCursor() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtPlatformServices::RestoreCursor() {
  QApplication::restoreOverrideCursor();
}

PlatformServices& Platform() {
  if (g_installed) return *g_installed;
  static QtPlatformServices qt_services;
  return qt_services;
}

void SetPlatform(PlatformServices* services) {
  g_installed = services;
}

}  // namespace tallowin
