// Wizard navigation: the page captions, Next, Back and Exit with their confirmations, the reset,
// the help menu and the other windows.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <filesystem>
#include <system_error>

#include "shell/form_about.h"
#include "shell/form_log.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "wizard/form_main.h"
#include "wizard/window_messages.h"

namespace tallowin {

namespace {

constexpr char kAddFilesNotice[] = "Please add the video files you want to convert";
constexpr char kFolderNotice[] =
    "Fail to create directory! Please check if output folder have the right format!";
constexpr char kPasteLinksNotice[] =
    "Please Copy & Paste the YouTube video links you want to download.";
constexpr char kNothingDownloadedNotice[] = "No file downloaded! Please try again.";
constexpr char kCancelAndGoBack[] = "Are you sure to cancel and go back?";
constexpr char kCancel[] = "Are you sure to cancel?";
constexpr char kQuit[] = "Are you sure to quit now?";
constexpr char kCancelConversion[] = "Do you really want to cancel the conversion?";
constexpr char kCancelDownloading[] = "Do you really want to cancel the downloading?";

// True when `folder` is an existing folder or could be created with its missing parents. An
// empty or blank folder text is refused: it names no folder. So is a relative one ("~/Videos",
// "out"): it would be created below whatever the program's working folder happens to be.
bool ForceFolder(const std::string& typed, const std::string& folder) {
  if (typed.find_first_not_of(" \t") == std::string::npos) return false;
  std::error_code error;
  const std::filesystem::path path(folder);
  if (!path.is_absolute()) return false;
  if (std::filesystem::is_directory(path, error)) return true;
  std::filesystem::create_directories(path, error);
  return !error && std::filesystem::is_directory(path, error);
}

}  // namespace

// ---- Pages -----------------------------------------------------------------------------------

ui::TTabSheet* TFormMain::PageSheet(TWizardPage page) const {
  switch (page) {
    case TWizardPage::Mode:
      return TabSheetMode;
    case TWizardPage::Step1:
      return TabSheetStep1;
    case TWizardPage::Step2:
      return TabSheetStep2;
    case TWizardPage::Step3:
      return TabSheetStep3;
    case TWizardPage::Step4:
      return TabSheetStep4;
    case TWizardPage::Step5:
      return TabSheetStep5;
    case TWizardPage::Step6:
      return TabSheetStep6;
    case TWizardPage::Step7:
      return TabSheetStep7;
  }
  return nullptr;
}

TWizardPage TFormMain::ActivePage() const {
  const ui::TTabSheet* active = PageControlMain->ActivePage();
  for (TWizardPage page :
       {TWizardPage::Mode, TWizardPage::Step1, TWizardPage::Step2, TWizardPage::Step3,
        TWizardPage::Step4, TWizardPage::Step5, TWizardPage::Step6, TWizardPage::Step7}) {
    if (PageSheet(page) == active) return page;
  }
  return TWizardPage::Mode;
}

void TFormMain::ActivatePage(TWizardPage page) {
  PageControlMain->SetActivePage(PageSheet(page));
}

void TFormMain::UpdatePageCaptions() {
  const TGlobalVars& g = GlobalVars();
  const TPageCaptions captions =
      PageCaptionsFor(ActivePage(), g.DownloadEnabled, g.MergeEnabled, g.AppTitle);
  LabelTitle->setText(QString::fromStdString(captions.title));
  FitTitle();
  ActionNext->setText(QString::fromStdString(captions.next_caption));
  ActionNext->setEnabled(captions.next_enabled);
  ActionBack->setText("Back");
  ActionBack->setEnabled(captions.back_enabled);
  ActionExit->setText(QString::fromStdString(captions.exit_caption));
  ActionExit->setEnabled(true);
}

void TFormMain::FitTitle() {
  // A long instruction gets a smaller font rather than being cut off.
  QFont font = LabelTitle->font();
  for (int size = kTitlePointSize; size >= kTitlePointSize - 2; --size) {
    font.setPointSize(size);
    if (QFontMetrics(font).horizontalAdvance(LabelTitle->text()) <= LabelTitle->width()) break;
  }
  LabelTitle->setFont(font);
}

void TFormMain::ResetWizard() {
  ActivatePage(GlobalVars().DownloadEnabled ? TWizardPage::Mode : TWizardPage::Step1);
  UpdatePageCaptions();
}

void TFormMain::ClearInputList() {
  NextGrid->ClearRows();
}

// ---- Next, Back, Exit ------------------------------------------------------------------------

void TFormMain::ActionNextExecute() {
  // A disabled action does nothing, however it is reached.
  if (!ActionNext->isEnabled()) return;
  TGlobalVars& g = GlobalVars();
  switch (ActivePage()) {
    case TWizardPage::Mode:
      if (RadioButtonDownloadVideo->isChecked()) {
        ActivatePage(TWizardPage::Step5);
        SetupLinkPage();
        UpdatePageCaptions();
      } else if (RadioButtonConvertVideo->isChecked()) {
        ActivatePage(TWizardPage::Step1);
        UpdatePageCaptions();
      }
      break;
    case TWizardPage::Step1:
      if (NextGrid->RowCount() > 0) {
        ActivatePage(TWizardPage::Step2);
        UpdatePageCaptions();
        LoadOutputSelection();
      } else {
        Platform().Notice(kAddFilesNotice);
      }
      break;
    case TWizardPage::Step2: {
      const std::string typed = EditOutputDir->text().toStdString();
      SaveOutputSelection();
      if (ForceFolder(typed, g.OutputFileDir)) {
        QCoreApplication::processEvents();
        ActivatePage(TWizardPage::Step3);
        UpdatePageCaptions();
        CheckBoxPlayASound->setChecked(g.PlayASoundWhenFinished);
        CheckBoxShutdown->setChecked(g.ShutDownWhenFinished);
        PostWindowMessage(WM_APP_CONVERT);
      } else {
        Platform().Notice(kFolderNotice);
      }
      break;
    }
    case TWizardPage::Step4:
      ClearInputList();
      ListViewConverting->ClearRows();
      ResetWizard();
      break;
    case TWizardPage::Step5: {
      const std::string typed = EditURLOutput->text().toStdString();
      ReadBackLinkPage();
      if (ListViewInputURL->RowCount() == 0) {
        Platform().Notice(kPasteLinksNotice);
      } else if (ForceFolder(typed, g.OutputURLDir)) {
        ActivatePage(TWizardPage::Step6);
        UpdatePageCaptions();
        g.DownloadedFiles.clear();
        StartDownloadQueue();
      } else {
        Platform().Notice(kFolderNotice);
      }
      break;
    }
    case TWizardPage::Step7:
      ListViewInputURL->ClearRows();
      ListViewURLDownload->ClearRows();
      ResetWizard();
      break;
    case TWizardPage::Step3:
    case TWizardPage::Step6:
      break;
  }
}

void TFormMain::ActionBackExecute() {
  if (!ActionBack->isEnabled()) return;
  switch (ActivePage()) {
    case TWizardPage::Step1:
      if (Platform().Confirm(kCancelAndGoBack)) {
        ClearInputList();
        ResetWizard();
      }
      break;
    case TWizardPage::Step2:
      // The choices typed on Step2 are not kept.
      ActivatePage(TWizardPage::Step1);
      UpdatePageCaptions();
      break;
    case TWizardPage::Step5:
      if (Platform().Confirm(kCancelAndGoBack)) {
        ListViewInputURL->ClearRows();
        ResetWizard();
      }
      break;
    default:
      break;
  }
}

void TFormMain::ActionExitExecute() {
  switch (ActivePage()) {
    case TWizardPage::Step1:
      if (GlobalVars().DownloadEnabled) {
        if (Platform().Confirm(kCancel)) {
          ClearInputList();
          ResetWizard();
        }
      } else if (Platform().Confirm(kQuit)) {
        close();
      }
      break;
    case TWizardPage::Step2:
      if (Platform().Confirm(kCancel)) {
        ClearInputList();
        ResetWizard();
      }
      break;
    case TWizardPage::Step3:
      if (Platform().Confirm(kCancelConversion)) {
        StopEncoder(true);
        UpdatePageCaptions();
      }
      break;
    case TWizardPage::Step5:
      if (Platform().Confirm(kCancel)) {
        ListViewInputURL->ClearRows();
        ResetWizard();
      }
      break;
    case TWizardPage::Step6:
      if (Platform().Confirm(kCancelDownloading)) AbortDownloads();
      break;
    case TWizardPage::Mode:
    case TWizardPage::Step4:
    case TWizardPage::Step7:
      if (Platform().Confirm(kQuit)) close();
      break;
  }
}

void TFormMain::ButtonConvertDownloadedClick() {
  const std::vector<std::string> files = GlobalVars().DownloadedFiles;
  if (files.empty()) {
    Platform().Notice(kNothingDownloadedNotice);
    return;
  }
  ActivatePage(TWizardPage::Step1);
  UpdatePageCaptions();
  AddInputFiles(files);
}

// ---- Help menu, log and About ----------------------------------------------------------------

QPoint TFormMain::HelpMenuPosition() const {
  const QRect frame = geometry();
  return {frame.left() + ButtonHelp->x() + help_menu_offset_,
          frame.top() + ButtonHelp->y() + ButtonHelp->height()};
}

void TFormMain::ActionHelpExecute() {
  PopupMenuHelp->popup(HelpMenuPosition());
}

void TFormMain::ActionLogExecute() {
  if (TFormLog* log = TFormLog::Instance()) log->FormShow();
}

void TFormMain::ActionAboutExecute() {
  TFormAbout::ShowCentred(this);
}

}  // namespace tallowin
