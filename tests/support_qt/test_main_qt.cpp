// The main of the test programs that need Qt: an application object (offscreen platform) and the
// dispatcher wired to its event loop.
#include <gtest/gtest.h>

#include <QApplication>

#include "common/dispatcher.h"
#include "common/qt_dispatcher.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tallowin::Dispatcher dispatcher;
  tallowin::InstallQtDispatcher(dispatcher);
  int result = RUN_ALL_TESTS();
  tallowin::SetMainDispatcher(nullptr);
  return result;
}
