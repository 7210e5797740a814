// The program's style over the platform's: dialog buttons carry no stock pictures, and the
// symbols of message boxes (the program's own and those inside Qt's dialogs) come from the
// skin when it has them, so that every dialog wears the same artwork.
#pragma once

#include <QPixmap>
#include <QProxyStyle>
#include <functional>

namespace tallowin::ui {

class TAppStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // The skin's symbol for a message-box kind (information, warning, critical, question), or a
  // null picture to keep the platform's.
  using SymbolSource = std::function<QPixmap(QStyle::StandardPixmap which)>;

  explicit TAppStyle(SymbolSource symbols = {});

  int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                const QWidget* widget = nullptr,
                QStyleHintReturn* return_data = nullptr) const override;
  QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                     const QWidget* widget = nullptr) const override;

 private:
  SymbolSource symbols_;
};

}  // namespace tallowin::ui
