#include "ui/dialog_placement.h"

#include <QWidget>

namespace tallowin::ui {

void CentreOver(QWidget& dialog, const QWidget* owner) {
  if (owner == nullptr) return;
  const QRect frame = owner->geometry();
  dialog.move(frame.left() + (frame.width() - dialog.width()) / 2,
              frame.top() + (frame.height() - dialog.height()) / 2);
}

}  // namespace tallowin::ui
