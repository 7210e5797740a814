// The video links on Step5: adding pasted or dropped links one by one with their checks,
// removing and emptying rows, opening a link, choosing the download folder, the enable rules of
// the page's actions, and the page's set-up and read-back.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "download/link_drop.h"
#include "download/quality.h"
#include "download/video_link.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "shell/util_funcs.h"
#include "ui/report_list.h"
#include "wizard/form_main.h"

namespace tallowin {

namespace {

constexpr char kSelectFolderTitle[] = "Please select a folder";

std::vector<std::string> RowTexts(const ui::TReportList& list) {
  std::vector<std::string> texts;
  texts.reserve(static_cast<size_t>(list.RowCount()));
  for (int row = 0; row < list.RowCount(); ++row) texts.push_back(list.Cell(row, 0).toStdString());
  return texts;
}

}  // namespace

void TFormMain::WireLinkPage() {
  connect(ActionURLPaste, &QAction::triggered, this, &TFormMain::ActionURLPasteExecute);
  connect(ActionURLRemove, &QAction::triggered, this, &TFormMain::ActionURLRemoveExecute);
  connect(ActionURLEmpty, &QAction::triggered, this, &TFormMain::ActionURLEmptyExecute);
  connect(ActionURLSelect, &QAction::triggered, this, &TFormMain::ActionURLSelectExecute);
  connect(ListViewInputURL, &QAbstractItemView::doubleClicked, this,
          &TFormMain::ListViewInputURLDblClick);
  // Follows the box however it changes (click, keyboard, set-up).
  connect(CheckBoxYouTubeQuality, &QCheckBox::toggled, this,
          &TFormMain::CheckBoxYouTubeQualityClick);
  connect(ButtonYouTubeQualityConfig, &QPushButton::clicked, this,
          &TFormMain::ButtonYouTubeQualityConfigClick);
  new download::TLinkDropFilter(ListViewInputURL->viewport(), [this](const auto& items) {
    bool go_on = true;
    for (const std::string& link : items.links) {
      AddVideoLink(link, go_on);
      if (!go_on) break;
    }
    // Files go to the input list as when dropped anywhere else on the window.
    if (!items.files.empty()) FormDropFiles(items.files);
  });

  // The enable rules follow the rows, the selection and the clipboard. The clipboard's flag is
  // renewed by the window's own watch, so the rules run after it (queued).
  QAbstractItemModel* model = ListViewInputURL->model();
  connect(model, &QAbstractItemModel::rowsInserted, this, &TFormMain::ActionListURLUpdate);
  connect(model, &QAbstractItemModel::rowsRemoved, this, &TFormMain::ActionListURLUpdate);
  connect(model, &QAbstractItemModel::modelReset, this, &TFormMain::ActionListURLUpdate);
  connect(ListViewInputURL->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TFormMain::ActionListURLUpdate);
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &TFormMain::ActionListURLUpdate, Qt::QueuedConnection);
  ActionListURLUpdate();
  // Once more after the start-up has looked at the clipboard.
  QMetaObject::invokeMethod(this, &TFormMain::ActionListURLUpdate, Qt::QueuedConnection);

  ListViewInputURL->setAccessibleName("Videos");
  ButtonURLPaste->setAccessibleName("Paste");
  ButtonURLRemove->setAccessibleName("Remove");
  ButtonURLEmpty->setAccessibleName("Empty");
  EditURLOutput->setAccessibleName("Output directory");
  LabelURLOutputDir->setBuddy(EditURLOutput);
  ButtonURLSelect->setAccessibleName("Select output directory");
  CheckBoxYouTubeQuality->setAccessibleName("Prefer YouTube high quality");
  ButtonYouTubeQualityConfig->setAccessibleName("Configure quality order");
  LabelYouTubeQuality->setAccessibleName("Quality order");
}

void TFormMain::SetupLinkPage() {
  const TGlobalVars& g = GlobalVars();
  EditURLOutput->setText(QString::fromStdString(g.OutputURLDir));
  CheckBoxYouTubeQuality->setChecked(g.PreferYouTubeQuality);
  ButtonYouTubeQualityConfig->setEnabled(g.PreferYouTubeQuality);
  LabelYouTubeQuality->setText(
      QString::fromStdString(download::PreferenceSummary(CheckBoxYouTubeQuality->isChecked(), g)));
  ActionListURLUpdate();
}

void TFormMain::ReadBackLinkPage() {
  TGlobalVars& g = GlobalVars();
  g.OutputURLDir = WithTrailingBackslash(ExpandHomeFolder(EditURLOutput->text().toStdString()));
  g.PreferYouTubeQuality = CheckBoxYouTubeQuality->isChecked();
}

void TFormMain::AddVideoLink(const std::string& text, bool& GoOn) {
  const std::vector<std::string> listed = RowTexts(*ListViewInputURL);
  const download::TLinkCheck check = download::CheckVideoLink(text, listed);
  if (check == download::TLinkCheck::Accepted) {
    ListViewInputURL->AddRow({QString::fromStdString(text)});
    return;
  }
  const int answer = Platform().ShowMessage(download::LinkRefusalMessage(text, check),
                                            MessageKind::Information, kMbOK | kMbCancel);
  if (answer == kMrCancel) GoOn = false;
}

void TFormMain::ActionURLPasteExecute() {
  // The clipboard may have lost its text since the enable rules ran: then nothing happens.
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr || !data->hasText()) return;
  const std::vector<std::string> lines = download::SplitLinkLines(data->text().toStdString());
  bool go_on = true;
  for (const std::string& line : lines) {
    AddVideoLink(line, go_on);
    if (!go_on) break;
  }
}

void TFormMain::ActionURLRemoveExecute() {
  std::vector<int> selected;
  for (QTreeWidgetItem* item : ListViewInputURL->selectedItems()) {
    selected.push_back(ListViewInputURL->indexOfTopLevelItem(item));
  }
  if (!selected.empty()) {
    std::sort(selected.begin(), selected.end());
    for (auto row = selected.rbegin(); row != selected.rend(); ++row) {
      ListViewInputURL->DeleteRow(*row);
    }
    const int rows = ListViewInputURL->RowCount();
    if (rows > 0) ListViewInputURL->SelectRow(std::min(selected.front(), rows - 1));
  }
  ListViewInputURL->setFocus();
}

void TFormMain::ActionURLEmptyExecute() {
  ListViewInputURL->ClearRows();
}

void TFormMain::ActionURLSelectExecute() {
  TGlobalVars& g = GlobalVars();
  std::string folder = g.OutputURLDir;
  if (!Platform().BrowseForFolder(this, folder, kSelectFolderTitle, kBrowseDefaultOptions, "")) {
    return;
  }
  // A dialog that confirms without a folder changes nothing.
  if (folder.find_first_not_of(" \t") == std::string::npos) return;
  EditURLOutput->setText(QString::fromStdString(WithTrailingBackslash(folder)));
  g.OutputURLDir = EditURLOutput->text().toStdString();
}

void TFormMain::ListViewInputURLDblClick() {
  const int row = ListViewInputURL->SelectedRow();
  if (row < 0) return;
  const std::string link = ListViewInputURL->Cell(row, 0).toStdString();
  // Only a web address goes to the desktop: a listed text needs no more than "http" and the
  // domain somewhere in it, and could otherwise name a local file or program.
  if (download::IsWebAddress(link)) Platform().OpenWithShell(link);
}

void TFormMain::ActionListURLUpdate() {
  ActionURLPaste->setEnabled(!NoTextOnClipboard());
  ActionURLRemove->setEnabled(!ListViewInputURL->selectedItems().isEmpty());
  ActionURLEmpty->setEnabled(ListViewInputURL->RowCount() > 0);
  ActionURLSelect->setEnabled(true);
}

}  // namespace tallowin
