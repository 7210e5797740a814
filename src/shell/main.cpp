// Program entry: reads the command line and the application title from the product
// configuration, loads the icon, creates the main window and then the log window, adds the files
// named on the command line, and runs until the main window closes.
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/dispatcher.h"
#include "common/qt_dispatcher.h"
#include "shell/command_line.h"
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

// --help, --version and unknown long options are answered before the application object exists,
// so that they work without a display; true when one was answered (its status in `status`).
bool AnswerInformationOption(int argc, char** argv, int& status) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto end = std::find(args.begin(), args.end(), "--");
  args.erase(end, args.end());
  // Qt's own options have one dash; an unknown one with two is ours to refuse, display or not.
  std::erase_if(args, [](const std::string& arg) {
    return arg != "-h" && arg != "-v" && arg.rfind("--", 0) != 0;
  });
  if (args.empty()) return false;
  const tallowin::TCommandLine line = tallowin::ParseCommandLine(args);
  if (line.action == tallowin::TCommandLine::Action::UsageError) {
    std::fprintf(stderr, "tallowin: %s\nTry 'tallowin --help' for more information.\n",
                 line.error.c_str());
    status = 2;
    return true;
  }
  const std::string dir = tallowin::ExecutableDir();
  try {
    tallowin::TGlobalVars config;
    tallowin::LoadProductConfiguration(dir + "lamecore.dll", config);
    if (line.action == tallowin::TCommandLine::Action::Help)
      std::fputs(tallowin::CommandLineHelp(config.AppTitle).c_str(), stdout);
    else
      std::printf("%s %s\n", config.AppTitle.c_str(), config.Version.c_str());
    status = 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tallowin: %s\n", error.what());
    status = 1;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (int status = 0; AnswerInformationOption(argc, argv, status)) return status;
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  tallowin::Dispatcher dispatcher;
  tallowin::InstallQtDispatcher(dispatcher);
  // Conversion tasks show their preview pictures in the program's window.
  tallowin::ui::RegisterPreviewWindow();

  const std::string dir = tallowin::ExecutableDir();
  std::vector<std::string> args;
  for (const QString& arg : app.arguments().mid(1)) args.push_back(arg.toStdString());
  const tallowin::TCommandLine command_line = tallowin::ParseCommandLine(args);
  if (command_line.action == tallowin::TCommandLine::Action::UsageError) {
    std::fprintf(stderr, "tallowin: %s\nTry 'tallowin --help' for more information.\n",
                 command_line.error.c_str());
    return 2;
  }
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
    // Files from the command line ("Open With"): added once the window is up, as a drop adds them.
    if (!command_line.files.empty()) {
      QTimer::singleShot(0, &form,
                         [&form, files = command_line.files] { form.OpenCommandLineFiles(files); });
    }
    result = app.exec();
  }
  tallowin::SetMainDispatcher(nullptr);
  return result;
}
