// The controls of the download pages: Step5 (links, folder, quality), Step6 (progress) and
// Step7 (summary).
#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <tuple>

#include "ui/action_binding.h"
#include "ui/page_control.h"
#include "ui/picture_label.h"
#include "ui/report_list.h"
#include "ui/theme.h"
#include "wizard/form_main.h"
#include "wizard/page_widgets.h"

namespace tallowin {

using wizard::MakeButton;
using wizard::MakeCard;
using wizard::MakeGroup;
using wizard::MakeLabel;
using wizard::MakeScopedAction;

void TFormMain::BuildStep5Page() {
  QWidget* page = TabSheetStep5;
  // A little below the page's top edge, so that the heading has air above it like the others.
  GroupBoxInputURL = MakeGroup(page, "GroupBoxInputURL", " Input URLs ", QRect(0, 6, 555, 208));
  ListViewInputURL = new ui::TReportList(GroupBoxInputURL);
  ListViewInputURL->setObjectName("ListViewInputURL");
  ListViewInputURL->setGeometry(12, 24, 420, 172);
  ListViewInputURL->AddColumn("Videos", 390);
  ListViewInputURL->SetShowColumnHeaders(false);
  ListViewInputURL->setAlternatingRowColors(false);
  ListViewInputURL->setTextElideMode(Qt::ElideMiddle);

  ActionURLPaste = MakeScopedAction(page, "ActionURLPaste", "&Paste");
  ActionURLPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  ActionURLRemove = MakeScopedAction(page, "ActionURLRemove", "&Remove");
  ActionURLEmpty = MakeScopedAction(page, "ActionURLEmpty", "&Empty");
  ActionURLSelect = MakeScopedAction(page, "ActionURLSelect", "Select...");
  PopupMenuListViewURL = new QMenu(ListViewInputURL);
  PopupMenuListViewURL->setObjectName("PopupMenuListViewURL");
  PopupMenuListViewURL->setStyleSheet(ui::Theme::MenuStyleSheet());
  MenuPaste = PopupMenuListViewURL->addAction(ActionURLPaste->text());
  MenuPaste->setObjectName("MenuPaste");
  MenuPaste->setShortcut(ActionURLPaste->shortcut());
  connect(MenuPaste, &QAction::triggered, ActionURLPaste, &QAction::trigger);
  connect(ActionURLPaste, &QAction::changed, MenuPaste,
          [this] { MenuPaste->setEnabled(ActionURLPaste->isEnabled()); });
  MenuDelete = PopupMenuListViewURL->addAction(ActionURLRemove->text());
  MenuDelete->setObjectName("MenuDelete");
  connect(MenuDelete, &QAction::triggered, ActionURLRemove, &QAction::trigger);
  connect(ActionURLRemove, &QAction::changed, MenuDelete,
          [this] { MenuDelete->setEnabled(ActionURLRemove->isEnabled()); });
  ListViewInputURL->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListViewInputURL, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    PopupMenuListViewURL->popup(ListViewInputURL->viewport()->mapToGlobal(at));
  });

  int top = 24;
  for (auto [button, name, action] :
       {std::tuple{&ButtonURLPaste, "ButtonURLPaste", ActionURLPaste},
        std::tuple{&ButtonURLRemove, "ButtonURLRemove", ActionURLRemove},
        std::tuple{&ButtonURLEmpty, "ButtonURLEmpty", ActionURLEmpty}}) {
    *button = MakeButton(GroupBoxInputURL, name, QString());
    (*button)->setGeometry(444, top, 98, 30);
    ui::BindToAction(*button, action);
    top += 38;
  }

  GroupBoxSetup = MakeGroup(page, "GroupBoxSetup", " Setup ", QRect(0, 222, 555, 82));
  LabelURLOutputDir = MakeLabel(GroupBoxSetup, "LabelURLOutputDir", "Output directory:", "caption");
  LabelURLOutputDir->setGeometry(12, 36, 110, 24);
  EditURLOutput = new QLineEdit(GroupBoxSetup);
  EditURLOutput->setObjectName("EditURLOutput");
  EditURLOutput->setGeometry(124, 34, 308, 30);
  ButtonURLSelect = MakeButton(GroupBoxSetup, "ButtonURLSelect", QString());
  ButtonURLSelect->setGeometry(444, 34, 98, 30);
  ui::BindToAction(ButtonURLSelect, ActionURLSelect);

  GroupBoxYouTubeQuality =
      MakeGroup(page, "GroupBoxYouTubeQuality", " Quality ", QRect(0, 312, 555, 100));
  CheckBoxYouTubeQuality = new QCheckBox("Prefer YouTube high quality", GroupBoxYouTubeQuality);
  CheckBoxYouTubeQuality->setObjectName("CheckBoxYouTubeQuality");
  CheckBoxYouTubeQuality->setGeometry(12, 34, 300, 24);
  ButtonYouTubeQualityConfig =
      MakeButton(GroupBoxYouTubeQuality, "ButtonYouTubeQualityConfig", "Config...");
  ButtonYouTubeQualityConfig->setGeometry(444, 30, 98, 30);
  LabelYouTubeQuality = MakeLabel(GroupBoxYouTubeQuality, "LabelYouTubeQuality", "", "caption");
  LabelYouTubeQuality->setGeometry(12, 62, 530, 32);
  LabelYouTubeQuality->setWordWrap(true);
}

void TFormMain::BuildStep6Page() {
  QWidget* page = TabSheetStep6;
  ListViewURLDownload = new ui::TReportList(page);
  ListViewURLDownload->setObjectName("ListViewURLDownload");
  ListViewURLDownload->setGeometry(0, 0, 555, 186);
  ListViewURLDownload->AddColumn("Name", 380);
  ListViewURLDownload->AddColumn("Status", 250);
  ListViewURLDownload->AddColumn("Size", 80);
  ListViewURLDownload->AddColumn("Speed", 70);
  ListViewURLDownload->AddColumn("Progress", 70);
  ListViewURLDownload->AddColumn("URL", 600);
  ListViewURLDownload->FitColumnsToWidth();
  ListViewURLDownload->header()->setStretchLastSection(false);

  GroupBoxURLStatus = MakeGroup(page, "GroupBoxURLStatus", "Status", QRect(0, 194, 555, 218));
  auto* grid = new QGridLayout(GroupBoxURLStatus);
  grid->setContentsMargins(12, 16, 12, 10);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(7);
  const struct {
    QLabel** label;
    const char* name;
    const char* title_name;
    const char* title;
  } rows[] = {
      {&LabelURLCurrentFile, "LabelURLCurrentFile", "LabelURLCurrentFileTitle", "Current file:"},
      {&LabelURLStatus, "LabelURLStatus", "LabelURLStatusTitle", "Status:"},
      {&LabelSpeed, "LabelSpeed", "LabelSpeedTitle", "Speed:"},
      {&LabelURLElapsedTime, "LabelURLElapsedTime", "LabelURLElapsedTimeTitle", "Elapsed time:"},
      {&LabelURLTimeLeft, "LabelURLTimeLeft", "LabelURLTimeLeftTitle", "Time left:"},
      {&LabelQuality, "LabelQuality", "LabelQualityTitle", "Quality:"},
  };
  int row = 0;
  for (const auto& r : rows) {
    grid->addWidget(MakeLabel(GroupBoxURLStatus, r.title_name, r.title, "caption"), row, 0);
    *r.label = MakeLabel(GroupBoxURLStatus, r.name, "...", "figure");
    (*r.label)->setMinimumWidth(10);
    grid->addWidget(*r.label, row, 1);
    ++row;
  }
  grid->addWidget(
      MakeLabel(GroupBoxURLStatus, "LabelProgressBarDownloadTitle", "Progress:", "caption"), row,
      0);
  ProgressBarDownload = new QProgressBar(GroupBoxURLStatus);
  ProgressBarDownload->setObjectName("ProgressBarDownload");
  ProgressBarDownload->setRange(0, 100);
  ProgressBarDownload->setValue(0);
  ProgressBarDownload->setFixedHeight(10);
  LabelProgressBarDownload =
      MakeLabel(GroupBoxURLStatus, "LabelProgressBarDownload", "0%", "figure");
  LabelProgressBarDownload->setMinimumWidth(40);
  LabelProgressBarDownload->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* bar_row = new QHBoxLayout();
  bar_row->addWidget(ProgressBarDownload, 1);
  bar_row->addWidget(LabelProgressBarDownload);
  grid->addLayout(bar_row, row, 1);
  grid->setColumnStretch(1, 1);
}

void TFormMain::BuildStep7Page() {
  QWidget* page = TabSheetStep7;
  QFrame* card = MakeCard(page, QRect(0, 0, 555, 284));
  LabelFinishedDownloading1 =
      MakeLabel(card, "LabelFinishedDownloading1", "%s has finished the downloading.");
  LabelFinishedDownloading1->setGeometry(20, 16, 515, 26);
  LabelFinishedDownloading1->setStyleSheet("font-size: 16px; font-weight: bold; color: #15803D;");
  QLabel* summary = MakeLabel(card, "LabelURLSummaryTitle", "Summary", "caption");
  summary->setGeometry(20, 50, 200, 18);

  wizard::MakeFigureTiles(
      card, 74,
      {
          {&LabelURLTotalFiles, "LabelURLTotalFiles", "LabelURLTotalFilesTitle", "Total files:"},
          {&LabelURLSucedded, "LabelURLSucedded", "LabelURLSuceddedTitle", "Successed:"},
          {&LabelURLFailed, "LabelURLFailed", "LabelURLFailedTitle", "Failed:"},
      });
  LabelURLOpenFolder = new ui::TLinkLabel("Open folder", card);
  LabelURLOpenFolder->setObjectName("LabelURLOpenFolder");
  LabelURLOpenFolder->setGeometry(20, 166, 200, 20);
  ButtonConvertDownloaded =
      MakeButton(card, "ButtonConvertDownloaded", "Convert the downloaded file(s) now! ");
  ButtonConvertDownloaded->setGeometry(20, 198, 290, 36);
  connect(ButtonConvertDownloaded, &QPushButton::clicked, this,
          &TFormMain::ButtonConvertDownloadedClick);

  LabelFinishedDownloading2 =
      MakeLabel(card, "LabelFinishedDownloading2",
                "To convert other files, click \"Finish\". Click \"Exit\" to quit %s.", "caption");
  LabelFinishedDownloading2->setGeometry(20, 248, 515, 20);
  LabelFinishedDownloading2->setWordWrap(true);
}

}  // namespace tallowin
