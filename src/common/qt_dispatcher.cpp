#include "common/qt_dispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>

namespace tallowin {

void InstallQtDispatcher(Dispatcher& dispatcher) {
  SetMainDispatcher(&dispatcher);
  // Several queued calls may share one wake-up: the drain runs them all.
  auto pending = std::make_shared<std::atomic<bool>>(false);
  dispatcher.SetWakeUp([&dispatcher, pending] {
    if (pending->exchange(true)) return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&dispatcher, pending] {
          pending->store(false);
          dispatcher.ProcessPending();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace tallowin
