// What the main window offers beyond the mouse: names and descriptions for screen readers, the
// Tab order of each page, the shortcuts that reach the log and About even in editions that hide
// their buttons, and the menu of the borderless window.
#include <QAbstractItemView>
#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>

#include "convert/output_formats.h"
#include "shell/global_vars.h"
#include "ui/image_combo_box.h"
#include "ui/page_control.h"
#include "ui/picture_button.h"
#include "ui/picture_label.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "ui/theme.h"
#include "wizard/form_main.h"

namespace tallowin {

void TFormMain::NameControls() {
  ButtonMin->setAccessibleName("Minimize");
  ButtonClose->setAccessibleName("Close");
  ImageLeftLogo->setAccessibleName("Product picture");
  ImageDownloadVideo->setAccessibleName("Download video from YouTube");
  ImageDownloadVideo->setAccessibleDescription(
      "Picture of the download choice; click it to choose downloading videos");
  ImageConvertVideo->setAccessibleName("Convert audio/video from file");
  ImageConvertVideo->setAccessibleDescription(
      "Picture of the conversion choice; click it to choose converting files");
  ImageAudioIcon->setAccessibleName("Audio file");
  NextGrid->setAccessibleName("Files to convert");
  NextGrid->setAccessibleDescription(
      "One tile per file with its thumbnail, name, duration, bit rate and picture size");
  EditOutputDir->setAccessibleName("Output directory");
  EditURLOutput->setAccessibleName("Output directory");
  ListViewConverting->setAccessibleName("Files being converted");
  ProgressBar->setAccessibleName("Overall progress");
  MemoErrorLog->setAccessibleName("Conversion errors");
  ListViewInputURL->setAccessibleName("Video links");
  ListViewURLDownload->setAccessibleName("Downloads");
  ProgressBarDownload->setAccessibleName("Download progress");
  for (int c = 0; c < 3; ++c) {
    const std::span<const convert::TOutputFormat> formats = convert::OutputFormats(c);
    for (int i = 0; i < static_cast<int>(formats.size()); ++i) {
      if (ui::TImageComboBox* list = PresetList(c, i)) {
        list->setAccessibleName(QString("Presets for ") + formats[i].Caption);
        list->view()->setAccessibleName(list->accessibleName());
      }
      if (ui::TPictureButton* button = FormatButton(c, i))
        button->setAccessibleDescription(QString("Output format ") + formats[i].Caption);
    }
  }
}

void TFormMain::BuildWindowMenu() {
  // The log and About stay reachable from the keyboard when the configuration hides the Help
  // and Log buttons: the actions belong to the window, so their shortcuts work either way.
  ActionLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  ActionAbout->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1));
  ActionBack->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  ActionNext->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));

  // A borderless window has no title bar to carry a menu: this one opens with a right click on
  // the logo (desktops also offer their own window menu on Alt+Space).
  PopupMenuWindow = new QMenu(this);
  PopupMenuWindow->setObjectName("PopupMenuWindow");
  PopupMenuWindow->setStyleSheet(ui::Theme::MenuStyleSheet());
  QAction* minimise = PopupMenuWindow->addAction("Minimize");
  connect(minimise, &QAction::triggered, this, [this] { showMinimized(); });
  PopupMenuWindow->addAction(ActionLog);
  PopupMenuWindow->addAction(ActionAbout);
  PopupMenuWindow->addSeparator();
  QAction* close_window = PopupMenuWindow->addAction("Close");
  connect(close_window, &QAction::triggered, this, [this] { close(); });
  ImageTopLogo->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ImageTopLogo, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenuWindow->popup(ImageTopLogo->mapToGlobal(at)); });
}

void TFormMain::ArrangeTabOrder() {
  // Tab walks the page first, top to bottom as it is built, then the bottom buttons from left
  // to right, then the window buttons.
  QWidget* last = nullptr;
  for (QWidget* w : PageControlMain->findChildren<QWidget*>()) {
    if (w->focusPolicy() & Qt::TabFocus) last = w;
  }
  QWidget* const tail[] = {ButtonHelp, ButtonLog, ButtonBack, ButtonNext,
                           ButtonExit, ButtonMin, ButtonClose};
  for (QWidget* w : tail) {
    if (last != nullptr) QWidget::setTabOrder(last, w);
    last = w;
  }
}

}  // namespace tallowin
