// The program's style over the platform's: dialog buttons carry no stock pictures, the symbols
// of message boxes (the program's own and those inside Qt's dialogs) come from the skin when it
// has them, and the file dialogs' tool pictures are drawn here, so that every dialog wears the
// same artwork.
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

  // The program's own picture for one of the file dialogs' stock pictures (arrows, views, new
  // folder, folder, file, computer), `size` pixels square; null for the others.
  static QPixmap PaintStockPicture(StandardPixmap which, int size);

 private:
  SymbolSource symbols_;
};

}  // namespace tallowin::ui
