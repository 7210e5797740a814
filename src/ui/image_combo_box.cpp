#include "ui/image_combo_box.h"

#include <QIcon>

namespace tallowin::ui {

TImageComboBox::TImageComboBox(QWidget* parent) : QComboBox(parent) {
  setMaxVisibleItems(10);
  setEditable(false);
}

void TImageComboBox::AddItem(const QString& text, const QPixmap& picture, int indent) {
  const QString shown = indent > 0 ? QString(indent * 2, QLatin1Char(' ')) + text : text;
  if (picture.isNull()) {
    addItem(shown);
  } else {
    addItem(QIcon(picture), shown);
  }
}

void TImageComboBox::SetItemIndex(int index) {
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

}  // namespace tallowin::ui
