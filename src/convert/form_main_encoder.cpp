// The main window's control of the encoder outside a run: stopping it and detaching its events
// when the window closes.
#include "wizard/form_main.h"

namespace tallowin {

void TFormMain::StopEncoder(bool wait) {
  FFEncoder.Stop(wait);
}

void TFormMain::DetachEncoderEvents() {
  FFEncoder.DetachEvents();
}

}  // namespace tallowin
