// Colours of the generated skin, matching the page style of the windows (src/ui/theme.h).
#pragma once

#include <QColor>

namespace tallowin::assets {

struct Palette {
  static inline const QColor kBandTop{0x2F, 0x6F, 0xF0};     // title band, top row
  static inline const QColor kBandBottom{0x1D, 0x4E, 0xD8};  // title band, bottom row
  static inline const QColor kAccent{0x25, 0x63, 0xEB};
  static inline const QColor kAccentDark{0x1E, 0x40, 0xAF};
  static inline const QColor kTeal{0x14, 0xB8, 0xA6};
  static inline const QColor kViolet{0x7C, 0x3A, 0xED};
  static inline const QColor kCoral{0xF4, 0x3F, 0x5E};
  static inline const QColor kOrange{0xFB, 0x92, 0x3C};
  static inline const QColor kText{0x1E, 0x29, 0x3B};
  static inline const QColor kMutedText{0x64, 0x74, 0x8B};
  static inline const QColor kBorder{0xCB, 0xD5, 0xE1};
  static inline const QColor kFrame{0x94, 0xA3, 0xB8};
  static inline const QColor kPanel{0xF1, 0xF5, 0xF9};       // window body behind the pages
  static inline const QColor kTitleStrip{0xF8, 0xFA, 0xFC};  // strip with the page instruction
  static inline const QColor kSurface{0xFF, 0xFF, 0xFF};
  static inline const QColor kFuchsia{0xFF, 0x00, 0xFF};  // transparent colour of main.bmp
};

}  // namespace tallowin::assets
