// The main window's frame: construction, the custom window messages, the clipboard watch, the
// window move and the close sequence.
#include "wizard/form_main.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <exception>

#include "common/dispatcher.h"
#include "shell/form_log.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "shell/user_settings.h"
#include "ui/action_binding.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "ui/picture_label.h"
#include "ui/theme.h"
#include "wizard/window_messages.h"

namespace tallowin {

TFormMain::TFormMain(const std::string& program_dir, QWidget* parent)
    : ui::TSkinForm(parent), program_dir_(program_dir) {
  setObjectName("FormMain");
  BuildFrame();
  BuildActions();
  BuildModePage();
  BuildStep1Page();
  BuildStep2Page();
  BuildStep3Page();
  BuildStep4Page();
  BuildStep5Page();
  BuildStep6Page();
  BuildStep7Page();
  WireInputList();
  WireOutputSelection();
  WireConversionRun();
  WireDownloads();
  WireLinkPage();
  NameControls();
  BuildWindowMenu();
  ArrangeTabOrder();
  FormCreate();
}

TFormMain::~TFormMain() {
  StopClipboardWatch();
  // The base class deletes the pages after this object has stopped being a TFormMain, and the
  // lists and models say so as they go (model reset, selection changed): no signal of a child
  // may reach this window's handlers any more.
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void TFormMain::BuildFrame() {
  setFixedSize(780, 560);
  setStyleSheet(ui::Theme::PageStyleSheet());

  ImageTopLogo = new ui::TImage(this);
  ImageTopLogo->setObjectName("ImageTopLogo");
  ImageTopLogo->move(0, 0);
  ImageLeftLogo = new ui::TImage(this);
  ImageLeftLogo->setObjectName("ImageLeftLogo");
  ImageLeftLogo->move(14, 78);
  connect(ImageTopLogo, &ui::TImage::LeftPressed, this, &TFormMain::StartWindowMove);
  connect(ImageLeftLogo, &ui::TImage::LeftPressed, this, &TFormMain::StartWindowMove);

  LabelTitle = new QLabel(this);
  LabelTitle->setObjectName("LabelTitle");
  LabelTitle->setGeometry(24, 43, 730, 24);
  LabelTitle->setWordWrap(false);
  QFont title_font = LabelTitle->font();
  title_font.setPointSize(kTitlePointSize);
  LabelTitle->setFont(title_font);

  LabelVersion = new QLabel(this);
  LabelVersion->setObjectName("LabelVersion");
  LabelVersion->setGeometry(20, 458, 170, 16);
  LabelMoreTools = new ui::TLinkLabel("More free tools...", this);
  LabelMoreTools->setObjectName("LabelMoreTools");
  LabelMoreTools->setGeometry(20, 476, 170, 16);
  connect(LabelMoreTools, &ui::TLinkLabel::Clicked, this,
          [this] { OpenLink(GlobalVars().HelpMoreFreeToolsLink); });

  ButtonMin = new ui::TPictureButton(this);
  ButtonMin->setObjectName("ButtonMin");
  ButtonMin->setGeometry(696, 4, 30, 24);
  ButtonMin->setToolTip("Minimize");
  connect(ButtonMin, &QAbstractButton::clicked, this, [this] { showMinimized(); });
  ButtonClose = new ui::TPictureButton(this);
  ButtonClose->setObjectName("ButtonClose");
  ButtonClose->setGeometry(728, 4, 30, 24);
  ButtonClose->setToolTip("Close");
  // Closes at once, without a question.
  connect(ButtonClose, &QAbstractButton::clicked, this, [this] { close(); });

  auto bottom = [this](const char* name, int left) {
    auto* button = new ui::TPictureButton(this);
    button->setObjectName(name);
    button->setGeometry(left, 510, 90, 32);
    return button;
  };
  ButtonHelp = bottom("ButtonHelp", 40);
  ButtonLog = bottom("ButtonLog", 138);
  ButtonBack = bottom("ButtonBack", 426);
  ButtonNext = bottom("ButtonNext", 522);
  ButtonExit = bottom("ButtonExit", 672);

  PageControlMain = new ui::TPageControl(this);
  PageControlMain->setObjectName("PageControlMain");
  PageControlMain->setGeometry(203, 74, 555, 416);
  TabSheetMode = PageControlMain->AddPage("Mode", "TabSheetMode");
  TabSheetStep1 = PageControlMain->AddPage("Step1", "TabSheetStep1");
  TabSheetStep2 = PageControlMain->AddPage("Step2", "TabSheetStep2");
  TabSheetStep3 = PageControlMain->AddPage("Step3", "TabSheetStep3");
  TabSheetStep4 = PageControlMain->AddPage("Step4", "TabSheetStep4");
  TabSheetStep5 = PageControlMain->AddPage("Step5", "TabSheetStep5");
  TabSheetStep6 = PageControlMain->AddPage("Step6", "TabSheetStep6");
  TabSheetStep7 = PageControlMain->AddPage("Step7", "TabSheetStep7");
  connect(PageControlMain, &ui::TPageControl::Changed, this, &TFormMain::UpdatePageCaptions);
}

void TFormMain::BuildActions() {
  auto action = [this](const char* name, const QString& caption) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    addAction(a);
    return a;
  };
  ActionHelp = action("ActionHelp", "Help");
  ActionLog = action("ActionLog", "Log");
  ActionBack = action("ActionBack", "Back");
  ActionNext = action("ActionNext", "Next");
  ActionExit = action("ActionExit", "Exit");
  ActionExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
  connect(ActionHelp, &QAction::triggered, this, &TFormMain::ActionHelpExecute);
  connect(ActionLog, &QAction::triggered, this, &TFormMain::ActionLogExecute);
  connect(ActionBack, &QAction::triggered, this, &TFormMain::ActionBackExecute);
  connect(ActionNext, &QAction::triggered, this, &TFormMain::ActionNextExecute);
  connect(ActionExit, &QAction::triggered, this, &TFormMain::ActionExitExecute);
  ui::BindToAction(ButtonHelp, ActionHelp);
  ui::BindToAction(ButtonLog, ActionLog);
  ui::BindToAction(ButtonBack, ActionBack);
  ui::BindToAction(ButtonNext, ActionNext);
  ui::BindToAction(ButtonExit, ActionExit);

  PopupMenuHelp = new QMenu(this);
  PopupMenuHelp->setObjectName("PopupMenuHelp");
  PopupMenuHelp->setStyleSheet(ui::Theme::MenuStyleSheet());
  ActionHelpContent = action("ActionHelpContent", "Help Content");
  ActionHelpContent->setShortcut(QKeySequence(Qt::Key_F1));
  ActionHowTosTutorialVideos =
      action("ActionHowTosTutorialVideos", "How Tos && Tutorial Videos...");
  ActionHomePage = action("ActionHomePage", "Home Page...");
  ActionMoreFreeTools = action("ActionMoreFreeTools", "More Free Tools...");
  ActionCheckforUpdates = action("ActionCheckforUpdates", "Check for Updates...");
  ActionContactTechnicalSupport =
      action("ActionContactTechnicalSupport", "Contact Technical Support...");
  ActionAbout = action("ActionAbout", "About");
  PopupMenuHelp->addAction(ActionHelpContent);
  PopupMenuHelp->addAction(ActionHowTosTutorialVideos);
  PopupMenuHelp->addSeparator();
  PopupMenuHelp->addAction(ActionHomePage);
  PopupMenuHelp->addAction(ActionMoreFreeTools);
  PopupMenuHelp->addSeparator();
  PopupMenuHelp->addAction(ActionCheckforUpdates);
  PopupMenuHelp->addAction(ActionContactTechnicalSupport);
  PopupMenuHelp->addSeparator();
  PopupMenuHelp->addAction(ActionAbout);
  const TGlobalVars& g = GlobalVars();
  connect(ActionHelpContent, &QAction::triggered, this,
          [this, &g] { OpenLink(g.HelpContentLink); });
  connect(ActionHowTosTutorialVideos, &QAction::triggered, this,
          [this, &g] { OpenLink(g.HelpHowTosTutorialVideosLink); });
  connect(ActionHomePage, &QAction::triggered, this, [this, &g] { OpenLink(g.HelpHomePageLink); });
  connect(ActionMoreFreeTools, &QAction::triggered, this,
          [this, &g] { OpenLink(g.HelpMoreFreeToolsLink); });
  connect(ActionCheckforUpdates, &QAction::triggered, this,
          [this, &g] { OpenLink(g.HelpCheckForUpdatesLink); });
  connect(ActionContactTechnicalSupport, &QAction::triggered, this,
          [this, &g] { OpenLink(g.HelpSupportLink); });
  connect(ActionAbout, &QAction::triggered, this, &TFormMain::ActionAboutExecute);
}

void TFormMain::OpenLink(const std::string& link) {
  // An empty link is passed on as it is.
  Platform().OpenWithShell(link);
}

void TFormMain::StartWindowMove() {
  if (QWindow* window = windowHandle()) window->startSystemMove();
}

// ---- Custom window messages ------------------------------------------------------------------

void TFormMain::PostWindowMessage(int message) {
  QCoreApplication::postEvent(this, new QEvent(WindowMessageType(message)));
}

void TFormMain::SendConvertDone() {
  auto deliver = [this] {
    QEvent done(WindowMessageType(WM_APP_CONVERT_DONE));
    QCoreApplication::sendEvent(this, &done);
  };
  Dispatcher& dispatcher = MainDispatcher();
  if (dispatcher.IsMainThread()) {
    deliver();
  } else {
    dispatcher.Send(deliver);
  }
}

bool TFormMain::event(QEvent* e) {
  switch (static_cast<int>(e->type())) {
    case WM_APP_SHOW:
      show();
      raise();
      activateWindow();
      return true;
    case WM_APP_CONVERT:
      StartConversionRun();
      return true;
    case WM_APP_CONVERT_DONE:
      FinishConversionRun();
      return true;
    case WM_APP_DOWNLOAD_NEXT:
      DownloadNext();
      return true;
    case WM_APP_DOWNLOAD_ERROR:
      DownloadError();
      return true;
    default:
      return ui::TSkinForm::event(e);
  }
}

// ---- Clipboard watch -------------------------------------------------------------------------

void TFormMain::StartClipboardWatch() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard_watch_ =
      connect(clipboard, &QClipboard::dataChanged, this, &TFormMain::ClipboardChanged);
  ClipboardChanged();
}

void TFormMain::StopClipboardWatch() {
  if (clipboard_watch_) disconnect(clipboard_watch_);
  clipboard_watch_ = {};
}

bool TFormMain::IsClipboardWatched() const {
  return static_cast<bool>(clipboard_watch_);
}

void TFormMain::ClipboardChanged() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  no_text_on_clipboard_ = data == nullptr || !data->hasText();
}

// ---- Files dropped from the desktop ----------------------------------------------------------

void TFormMain::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* e) {
  std::vector<std::string> paths;
  for (const QUrl& url : e->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  e->acceptProposedAction();
  FormDropFiles(paths);
}

// ---- Closing ---------------------------------------------------------------------------------

void TFormMain::closeEvent(QCloseEvent* e) {
  if (!closing_done_) {
    closing_done_ = true;
    FormCloseQuery();
    FormClose();
  }
  e->accept();
  emit Closed();
}

void TFormMain::FormCloseQuery() {
  // Never refuses: stops the work in progress and leaves the clipboard watch.
  DetachEncoderEvents();
  StopEncoder(true);
  AbortDownloads();
  StopClipboardWatch();
}

void TFormMain::FormClose() {
  if (!settings_loaded_) return;
  try {
    SaveUserSettings();
    SaveWindowPosition("Form", this);
    if (TFormLog* log = TFormLog::Instance()) SaveWindowPosition("FormLog", log);
  } catch (const std::exception& error) {
    // Shown; the window closes all the same.
    Platform().ShowError(error.what());
  }
}

}  // namespace tallowin
