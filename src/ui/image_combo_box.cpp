#include "ui/image_combo_box.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace tallowin::ui {

TImageComboBox::TImageComboBox(QWidget* parent) : QComboBox(parent) {
  setMaxVisibleItems(kMaxVisibleItems);
  setEditable(false);
  // "combobox-popup: 0" makes the styles that open a list over the whole screen honour the
  // visible item count, with a scroll bar for the rest.
  setStyleSheet(QStringLiteral(
      "QComboBox { combobox-popup: 0; }"
      "QComboBox QAbstractItemView { background: #FFFFFF; border: 1px solid #CBD5E1;"
      " selection-background-color: #E8F0FE; selection-color: #1E293B; outline: 0; }"));
  view()->setTextElideMode(Qt::ElideRight);
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

QString TImageComboBox::ShownText() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  int room = field.width();
  if (!option.currentIcon.isNull()) room -= option.iconSize.width() + 4;
  return fontMetrics().elidedText(currentText(), Qt::ElideRight, qMax(room, 0));
}

void TImageComboBox::paintEvent(QPaintEvent*) {
  // As QComboBox paints itself, but a text too long for the field ends with "…".
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  option.currentText = ShownText();
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  // The style sheet hides the style's arrow: a chevron marks the field as a list.
  const QRect arrow =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
  const QPointF c = QRectF(arrow).center();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(isEnabled() ? QColor(0x47, 0x55, 0x69) : QColor(0x94, 0xA3, 0xB8), 1.6,
                      Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const QPointF chevron[] = {{c.x() - 4, c.y() - 2}, {c.x(), c.y() + 2}, {c.x() + 4, c.y() - 2}};
  painter.drawPolyline(chevron, 3);
}

void TImageComboBox::showPopup() {
  QComboBox::showPopup();
  // The rows beyond the visible ten are reached with a scroll bar.
  view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

}  // namespace tallowin::ui
