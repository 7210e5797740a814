// The output formats in the order of their buttons on the three format pages.
#pragma once

#include <vector>

namespace tallowin {

struct FormatInfo {
  const char* name;     // as in the control names: ButtonFormat<name>, ImageComboBox<name>Presets
  const char* caption;  // the button's caption
};

// Formats of class 0 (video), 1 (device) or 2 (audio); empty for any other class.
const std::vector<FormatInfo>& FormatsOfClass(int format_class);

}  // namespace tallowin
