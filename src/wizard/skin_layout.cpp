#include "wizard/skin_layout.h"

namespace tallowin {

SkinLayout SkinLayoutFor(int skin) {
  SkinLayout l;
  switch (skin) {
    case 1:
      l.min = {766, 3};
      l.close = {794, 3};
      l.help = {25, 566};
      l.log = {120, 566};
      l.back = {400, 566};
      l.next = {495, 566};
      l.exit = {730, 566};
      l.pages = {240, 110};
      l.title = {252, 70};
      l.label_colour = QColor(0xFF, 0xFF, 0xFF);
      return l;
    case 2:
      l.min = {696, 6};
      l.close = {728, 4};
      l.help = {40, 513};
      l.log = {138, 513};
      l.back = {426, 513};
      l.next = {522, 513};
      l.exit = {672, 513};
      l.pages = {198, 74};
      l.title = {24, 43};
      l.label_colour = QColor(0x80, 0x80, 0x80);
      l.help_menu_offset = 5;
      return l;
    case 3:
      l.window_buttons_visible = false;
      l.help = {10, 515};
      l.log = {120, 515};
      l.back = {350, 515};
      l.next = {460, 515};
      l.exit = {665, 515};
      l.pages = {203, 74};
      l.title = {215, 55};
      l.title_regular = true;
      l.label_colour = QColor(0xFF, 0xFF, 0xFF);
      l.labels_top_version = 165;
      l.labels_top_more_tools = 180;
      l.transparent_bottom_buttons = true;
      return l;
    default:
      l.min = {696, 4};
      l.close = {728, 4};
      l.help = {40, 510};
      l.log = {138, 510};
      l.back = {426, 510};
      l.next = {522, 510};
      l.exit = {672, 510};
      l.pages = {203, 74};
      l.title = {24, 43};
      l.label_colour = QColor(0x80, 0x80, 0x80);
      return l;
  }
}

}  // namespace tallowin
