#include "wizard/form_failed_add_file.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "ui/dialog_placement.h"
#include "ui/report_list.h"
#include "ui/theme.h"

namespace tallowin {

namespace {
constexpr int kWidth = 480;
constexpr int kHeight = 300;
}  // namespace

TFormFailedAddFile::TFormFailedAddFile(QWidget* parent) : QDialog(parent) {
  setObjectName("FormFailedAddFile");
  setWindowTitle("Failed to Add Files");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setStyleSheet(ui::Theme::DialogStyleSheet());

  ImageIcon = new QLabel(this);
  ImageIcon->setObjectName("ImageIcon");
  ImageIcon->setGeometry(14, 14, 40, 40);
  QPixmap icon = DialogIconPicture(MessageKind::Warning, 36);
  if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32);
  ImageIcon->setPixmap(icon);
  ImageIcon->setAccessibleName("Warning");
  ImageIcon->setAlignment(Qt::AlignCenter);

  LabelMessage = new QLabel(
      "Failed to add the following files. The converter might not support the file type or "
      "might not support the codec that was used to compress the file. Click \"More "
      "Information\" to view a list of supported file types and releavant codecs.",
      this);
  LabelMessage->setObjectName("LabelMessage");
  LabelMessage->setWordWrap(true);
  LabelMessage->setGeometry(64, 10, kWidth - 78, 64);

  ListViewFiles = new ui::TReportList(this);
  ListViewFiles->setObjectName("ListViewFiles");
  ListViewFiles->AddColumn("File", kWidth - 32);
  ListViewFiles->SetShowColumnHeaders(false);
  ListViewFiles->setGeometry(14, 82, kWidth - 28, kHeight - 136);
  // A long error is never cut: the column is as wide as the longest line, reachable with the
  // scroll bar, and each line's whole text is also its tip.
  ListViewFiles->setTextElideMode(Qt::ElideNone);
  ListViewFiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ListViewFiles->header()->setStretchLastSection(false);
  ListViewFiles->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  ListViewFiles->setAccessibleName("Files that could not be added");

  ButtonMoreInfo = new QPushButton("More Information...", this);
  ButtonMoreInfo->setObjectName("ButtonMoreInfo");
  ButtonMoreInfo->setAutoDefault(false);
  ButtonMoreInfo->setGeometry(14, kHeight - 44, 150, 30);
  connect(ButtonMoreInfo, &QPushButton::clicked, this, &TFormFailedAddFile::ButtonMoreInfoClick);

  ButtonClose = new QPushButton("Close", this);
  ButtonClose->setObjectName("ButtonClose");
  ButtonClose->setDefault(true);
  ButtonClose->setGeometry(kWidth - 14 - 90, kHeight - 44, 90, 30);
  connect(ButtonClose, &QPushButton::clicked, this, &QDialog::accept);

  setFixedSize(kWidth, kHeight);
}

void TFormFailedAddFile::SetFailures(const std::vector<std::string>& lines) {
  ListViewFiles->ClearRows();
  for (const std::string& line : lines) {
    const QString text = QString::fromStdString(line);
    const int row = ListViewFiles->AddRow({text});
    ListViewFiles->topLevelItem(row)->setToolTip(0, text);
  }
}

void TFormFailedAddFile::ShowCentred(QWidget* owner, const std::vector<std::string>& lines) {
  TFormFailedAddFile dialog(owner);
  dialog.SetFailures(lines);
  ui::CentreOver(dialog, owner);
  Platform().ExecDialog(dialog);
}

void TFormFailedAddFile::ButtonMoreInfoClick() {
  Platform().OpenWithShell(GlobalVars().HelpSupportLink);
}

}  // namespace tallowin
