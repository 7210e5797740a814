// Colours and the style sheet shared by the skinned windows.
#pragma once

#include <QColor>
#include <QString>

namespace tallowin::ui {

struct Theme {
  static inline const QColor kAccent{0x25, 0x63, 0xEB};
  static inline const QColor kAccentDark{0x1D, 0x4E, 0xD8};
  static inline const QColor kAccentLight{0x60, 0x8F, 0xF5};
  static inline const QColor kAccentPale{0xE8, 0xF0, 0xFE};
  static inline const QColor kText{0x1E, 0x29, 0x3B};
  static inline const QColor kMutedText{0x64, 0x74, 0x8B};
  static inline const QColor kBorder{0xCB, 0xD5, 0xE1};
  static inline const QColor kPanel{0xF1, 0xF5, 0xF9};
  static inline const QColor kSurface{0xFF, 0xFF, 0xFF};

  // The style sheet of the controls inside the skinned windows' pages.
  static QString PageStyleSheet();
  // The style sheet of pop-up menus.
  static QString MenuStyleSheet();
  // The style sheet of the plain dialogs (their background and push buttons).
  static QString DialogStyleSheet();
};

}  // namespace tallowin::ui
