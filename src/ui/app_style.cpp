#include "ui/app_style.h"

#include <QIcon>

namespace tallowin::ui {

TAppStyle::TAppStyle(SymbolSource symbols) : symbols_(std::move(symbols)) {}

int TAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* return_data) const {
  // Stock pictures on OK, Cancel or Choose do not match the skin's flat buttons.
  if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 0;
  return QProxyStyle::styleHint(hint, option, widget, return_data);
}

QIcon TAppStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                              const QWidget* widget) const {
  switch (which) {
    case SP_MessageBoxInformation:
    case SP_MessageBoxWarning:
    case SP_MessageBoxCritical:
    case SP_MessageBoxQuestion:
      if (symbols_) {
        const QPixmap symbol = symbols_(which);
        if (!symbol.isNull()) return QIcon(symbol);
      }
      break;
    default:
      break;
  }
  return QProxyStyle::standardIcon(which, option, widget);
}

}  // namespace tallowin::ui
