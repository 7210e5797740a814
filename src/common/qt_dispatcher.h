// Connects the main-thread dispatcher to the Qt event loop: a queued call wakes the loop, which
// then runs every queued call.
#pragma once

#include "common/dispatcher.h"

namespace tallowin {

// Installs `dispatcher` as the process's dispatcher and wires its wake-up to `QCoreApplication`.
// Call on the main thread after the application object exists.
void InstallQtDispatcher(Dispatcher& dispatcher);

}  // namespace tallowin
