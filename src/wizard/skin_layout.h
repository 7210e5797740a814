// The four skin layouts of the main window: where the window buttons, the pages and the title
// sit, and the colours of the version and "more tools" labels.
#pragma once

#include <QColor>
#include <QPoint>

namespace tallowin {

struct SkinLayout {
  bool window_buttons_visible = true;
  QPoint min, close, help, log, back, next, exit, pages, title;
  bool title_regular = false;
  QColor label_colour;
  // -1 keeps the labels where they are.
  int labels_top_version = -1;
  int labels_top_more_tools = -1;
  bool transparent_bottom_buttons = false;
  int help_menu_offset = 0;
};

// Skins 0 to 3; any other value gives the design layout, which is skin 0.
SkinLayout SkinLayoutFor(int skin);

}  // namespace tallowin
