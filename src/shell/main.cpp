// Program entry: reads the application title from the product configuration, loads the icon,
// creates the main window and then the log window, and runs until the main window closes.
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTimer>
#include <exception>
#include <string>

#include "common/dispatcher.h"
#include "common/qt_dispatcher.h"
#include "shell/form_log.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "shell/product_config.h"
#include "shell/util_funcs.h"
#include "ui/app_style.h"
#include "ui/page_control.h"
#include "ui/preview_window.h"
#include "wizard/form_main.h"

namespace {

// With TALLOWIN_GRAB_PAGES=FOLDER the program saves a picture of the main window on each of its
// pages into FOLDER ("page-Mode.png", "page-Step1.png", ...) and ends. For checking the look.
void GrabPagesAndQuit(tallowin::TFormMain& form, const QString& folder) {
  QDir().mkpath(folder);
  for (int i = 0; i < form.PageControlMain->PageCount(); ++i) {
    tallowin::ui::TTabSheet* page = form.PageControlMain->Page(i);
    form.PageControlMain->SetActivePage(page);
    QApplication::processEvents();
    form.grab().save(folder + "/page-" + page->Caption() + ".png");
  }
  // The whole screen as the display server composes it (window shape included).
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    form.PageControlMain->SetActivePage(form.PageControlMain->Page(0));
    QApplication::processEvents();
    screen->grabWindow(0).save(folder + "/screen.png");
  }
  form.close();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  tallowin::Dispatcher dispatcher;
  tallowin::InstallQtDispatcher(dispatcher);
  // Conversion tasks show their preview pictures in the program's window.
  tallowin::ui::RegisterPreviewWindow();

  const std::string dir = tallowin::ExecutableDir();
  try {
    tallowin::GlobalVars().AppTitle = tallowin::ReadApplicationTitle(dir + "lamecore.dll");
    tallowin::RequireReadableFile(dir + "icon.ico");
  } catch (const std::exception& error) {
    tallowin::Platform().ShowError(error.what());
    return 1;
  }
  app.setWindowIcon(QIcon(QString::fromStdString(dir + "icon.ico")));
  // Dialogs without stock button pictures and with the skin's message symbols.
  app.setStyle(new tallowin::ui::TAppStyle([](QStyle::StandardPixmap which) {
    using tallowin::MessageKind;
    const MessageKind kind = which == QStyle::SP_MessageBoxWarning    ? MessageKind::Warning
                             : which == QStyle::SP_MessageBoxCritical ? MessageKind::Error
                             : which == QStyle::SP_MessageBoxQuestion ? MessageKind::Confirmation
                                                                      : MessageKind::Information;
    return tallowin::DialogIconPicture(kind, 48);
  }));

  int result = 0;
  {
    tallowin::TFormMain form(dir);
    if (!form.CreateError().empty()) {
      tallowin::SetMainDispatcher(nullptr);
      return 1;
    }
    tallowin::TFormLog log;
    QObject::connect(&form, &tallowin::TFormMain::Closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    const QString grab_folder = qEnvironmentVariable("TALLOWIN_GRAB_PAGES");
    if (!grab_folder.isEmpty()) {
      QTimer::singleShot(300, &form, [&form, grab_folder] { GrabPagesAndQuit(form, grab_folder); });
    }
    result = app.exec();
  }
  tallowin::SetMainDispatcher(nullptr);
  return result;
}
