// The stored output selection as the jobs read it: the format of the selected class and that
// format's preset index.
#pragma once

#include "shell/global_vars.h"

namespace tallowin::convert {

// The selected format of the selected class; -1 when the class is outside the three.
int SelectedFormat(const TGlobalVars& g);
// The remembered preset index of the selected format; -1 when class or format is outside the
// tables.
int SelectedPreset(const TGlobalVars& g);

}  // namespace tallowin::convert
